// The FTP session of one speed test: logs in, runs the transfers, logs off when destroyed.
#pragma once

#include <string>
#include <vector>

#include "ftp/ftp_transfer.h"
#include "ftp/internet_session.h"
#include "ftp/path_sampler.h"
#include "ftp/socket_api.h"
#include "kernel/types.h"

class CFtpConnection;
class CProgressSink;

class CFtpClient {
 public:
  // `owner` receives the progress reports of every transfer; it must outlive the client.
  // On the system's clocks, sockets and files unless `env` (which outlives it) is given.
  explicit CFtpClient(CProgressSink* owner, const CEnvironment& env = SystemEnvironment());
  CFtpClient(const CFtpClient&) = delete;
  CFtpClient& operator=(const CFtpClient&) = delete;
  // Logs off, then closes the Internet session.
  ~CFtpClient();

  // One log-in attempt. Throws CFTPException 2 when already logged in, 1 when it fails.
  void Connect(const std::string& server, const std::string& user, const std::string& password,
               bool passive, INTERNET_PORT port);
  // The round trip to the server measured while logging in (the TCP connect and PWD's
  // reply, the shorter), in milliseconds; negative when not logged in.
  double RoundTripMs() const;
  // Up to `count` NOOPs, fewer once `budgetMs` have passed (two at least), each reply time
  // in milliseconds, in their order; they count among RoundTripMs. A failure is a
  // CFTPException.
  std::vector<double> MeasureIdleRoundTrips(int count, int budgetMs);
  // The address of the server logged in to, for more sessions to the same one; a
  // CFTPException when not logged in.
  sockaddr_storage ServerAddress() const;
  // This computer's end of the connection, for the interface that carries it; likewise.
  sockaddr_storage LocalAddress() const;
  // What the latest transfer's path probe saw, measured or not.
  const CPathSamples& LastTransferPath() const { return m_lastPath; }
  // Closes the connection, if there is one.
  void Logoff();
  // Fetches `remoteDir`/`remoteFile` into `localPath`; every failure is a CFTPException.
  void Download(const std::string& remoteDir, const std::string& remoteFile,
                const std::string& localPath);
  // Sends `localPath` to `remoteDir`/`remoteFile`; every failure is a CFTPException.
  void Upload(const std::string& localPath, const std::string& remoteDir,
              const std::string& remoteFile);

  // Deletes `remotePath` on the server; false when the server refuses, a CFTPException when
  // the connection fails.
  bool Remove(const std::string& remotePath);

  // The session behind the client, whose time-outs a caller may tighten before Connect.
  CInternetSession& Session() { return m_session; }
  const CEnvironment& Environment() const { return m_session.Environment(); }

 private:
  template <TransferDirection>
  friend class CFtpTransfer;

  // One end of the logged-in connection, as `end` names it.
  sockaddr_storage ConnectionAddress(sockaddr_storage (CFtpConnection::*end)() const) const;

  CInternetSession m_session;
  CFtpConnection* m_pConnection = nullptr;
  std::string m_strCurrentDir;
  CProgressSink* m_pOwner;
  CPathSamples m_lastPath;
};
