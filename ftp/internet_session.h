// The Internet session: the factory of FTP connections, and the time-outs they use.
#pragma once

#include <string>

#include "ftp/environment.h"
#include "kernel/types.h"

class CFtpConnection;
class CProgressSink;

constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0;
#ifndef GENERIC_READ  // Windows has them, with the same values
constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
#endif
constexpr DWORD FTP_TRANSFER_TYPE_ASCII = 1;
constexpr DWORD FTP_TRANSFER_TYPE_BINARY = 2;

// Which addresses of the server a connection may use.
enum class IpVersion { kAny, k4, k6 };

// Every network wait of a connection ends after at most these milliseconds.
struct InternetTimeouts {
  static constexpr int kLongest = 60000;

  int connectMs = 30000;     // the control connection's TCP connect
  int replyMs = 30000;       // each reply of the server
  int dataAcceptMs = 30000;  // the server's data connection, after the 1xx reply
  int dataIoMs = 60000;      // each read or write of a data connection without progress
};

class CInternetSession {
 public:
  // Blocking session; the agent, access type, proxy and flags are accepted as given.
  // On the system's clocks, sockets and files; or on those of `env`, which outlives it.
  explicit CInternetSession(const CEnvironment& env) : m_env(env) {}
  explicit CInternetSession(const char* agent = nullptr, DWORD context = 1,
                            DWORD accessType = INTERNET_OPEN_TYPE_PRECONFIG,
                            const char* proxyName = nullptr, const char* proxyBypass = nullptr,
                            DWORD flags = 0);
  CInternetSession(const CInternetSession&) = delete;
  CInternetSession& operator=(const CInternetSession&) = delete;
  ~CInternetSession();

  // Connects and logs in; the caller owns the result. Only active mode is offered:
  // `passive` true throws. Every failure throws CInternetException.
  CFtpConnection* GetFtpConnection(const std::string& server, const std::string& user,
                                   const std::string& password, INTERNET_PORT port,
                                   bool passive = false);

  // Asked between the slices of every network wait of connections made afterwards.
  void SetWaitSink(CProgressSink* sink) { m_pWaitSink = sink; }

  // Connections made afterwards use only addresses of this version.
  void SetIpVersion(IpVersion version) { m_ipVersion = version; }

  // Applies to connections made afterwards; each value is held to 1 ms .. 60 s.
  void SetTimeouts(const InternetTimeouts& timeouts);
  const InternetTimeouts& GetTimeouts() const { return m_timeouts; }

  const CEnvironment& Environment() const { return m_env; }

  void Close() {}

 private:
  const CEnvironment& m_env;
  InternetTimeouts m_timeouts;
  CProgressSink* m_pWaitSink = nullptr;
  IpVersion m_ipVersion = IpVersion::kAny;
};
