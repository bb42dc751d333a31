// A logged-in FTP control connection (RFC 959) with active-mode data connections.
#pragma once

#include <memory>
#include <string>

#include "ftp/ftp_dialogue.h"
#include "ftp/ftp_reply.h"
#include "ftp/internet_session.h"
#include "ftp/tcp_socket.h"

class CInternetFile;

class CFtpConnection {
 public:
  CFtpConnection(const CFtpConnection&) = delete;
  CFtpConnection& operator=(const CFtpConnection&) = delete;
  // Closes the connection as Close does.
  ~CFtpConnection();

  // The shortest of the round trips seen: the TCP connect, and each PWD's and NOOP's reply
  // time; in milliseconds, negative when none was seen.
  double RoundTripMs() const { return m_roundTripMs; }
  // The server's address that the control connection reached.
  // The clocks, sockets and files it was made with.
  const CEnvironment& Environment() const { return *m_control.Environment(); }
  sockaddr_storage ServerAddress() const { return m_control.PeerAddress(); }
  sockaddr_storage LocalAddress() const { return m_control.LocalAddress(); }
  // Fills `directory` from PWD; false when the server gives none.
  bool GetCurrentDirectory(std::string& directory);
  // Sends NOOP and returns its reply time in milliseconds, whatever the final reply; a
  // broken connection or a preliminary reply throws.
  double NoopRoundTrip();
  // CWD: false when the server refuses; a broken connection throws.
  bool SetCurrentDirectory(const std::string& directory);
  // DELE: false when the server refuses; a broken connection throws.
  bool Remove(const std::string& fileName);
  // Starts a transfer of `fileName`: GENERIC_READ retrieves, GENERIC_WRITE stores.
  // Null when the server refuses; a network or protocol failure throws. The caller owns
  // the result and must close it before the next command.
  CInternetFile* OpenFile(const std::string& fileName, DWORD access = GENERIC_READ,
                          DWORD flags = FTP_TRANSFER_TYPE_BINARY, DWORD context = 1);
  // Says QUIT and closes. Never throws; an open file is abandoned first.
  void Close();
  // The server's latest reply, all its lines; what a refusal said.
  const std::string& LastReply() const { return m_lastReply.text; }

 private:
  friend class CInternetSession;
  friend class CInternetFile;

  CFtpConnection(TcpSocket control, const InternetTimeouts& timeouts);

  void Login(const std::string& user, const std::string& password);
  // Begins `step` and exchanges it.
  FtpVerdict Command(FtpStep step, const std::string& argument = std::string());
  // Sends the line that began a step and awaits the verdict on it.
  FtpVerdict Exchange(const std::string& line);
  // Reads replies until one settles the step under way: the blocking loop around the dialogue.
  FtpVerdict Await();
  // The next reply, read into m_lastReply.
  const FtpReply& ReadReply();
  // Command, with the reply time in `ms`, kept when it is the shortest round trip yet.
  FtpVerdict TimedCommand(FtpStep step, double* ms);
  // Accepted is true and a refusal false; any other verdict breaks the dialogue and throws.
  bool Accepted(FtpVerdict verdict);
  // The server's last reply fits no step: the dialogue is broken off, and that thrown.
  [[noreturn]] void OutOfTurn();
  // The dialogue is lost: the connection is marked broken and closed.
  void Break();
  // Runs `action`; a CInternetException from it breaks the connection and passes on.
  template <typename Action>
  auto BreakingOnFailure(Action action) -> decltype(action());
  [[noreturn]] void Fail(DWORD error, const std::string& detail);
  void EnsureUsable() const;
  void FileClosed(CInternetFile* file);
  // The buffer of CInternetFile::kReceiveBuffer bytes that the connection's downloads use.
  char* ReceiveBuffer();

  TcpSocket m_control;
  FtpReplyParser m_parser;
  CFtpDialogue m_dialogue;
  InternetTimeouts m_timeouts;
  bool m_broken = false;
  CInternetFile* m_pOpenFile = nullptr;
  FtpReply m_lastReply;  // whose text's storage serves every reply of the connection
  double m_roundTripMs = -1.0;
  std::unique_ptr<char[]> m_pReceiveBuffer;
};
