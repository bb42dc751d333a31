#include "ftp/ftp_connection.h"

#include "ftp/ftp_syntax.h"
#include "ftp/internet_exception.h"
#include "ftp/internet_file.h"

namespace {

// A server may announce a delay with 120 replies before its greeting; a few are enough.
constexpr int kMaxDelayReplies = 8;

}  // namespace

CFtpConnection::CFtpConnection(TcpSocket control, const InternetTimeouts& timeouts)
    : m_control(std::move(control)), m_timeouts(timeouts), m_roundTripMs(m_control.ConnectMs()) {}

CFtpConnection::~CFtpConnection() {
  Close();
}

void CFtpConnection::Break() {
  m_broken = true;
  m_control.Close();
}

template <typename Action>
auto CFtpConnection::BreakingOnFailure(Action action) -> decltype(action()) {
  try {
    return action();
  } catch (CInternetException*) {
    Break();
    throw;
  }
}

void CFtpConnection::Fail(DWORD error, const std::string& detail) {
  Break();
  throw new CInternetException(error, detail);
}

void CFtpConnection::EnsureUsable() const {
  if (m_broken) {
    throw new CInternetException(ERROR_FTP_DROPPED, "the control connection is closed");
  }
  if (m_pOpenFile) {
    throw new CInternetException(ERROR_FTP_TRANSFER_IN_PROGRESS, "a transfer is still open");
  }
}

FtpReply CFtpConnection::ReadReply() {
  if (m_broken) throw new CInternetException(ERROR_FTP_DROPPED, "the control connection is closed");
  FtpReply reply;
  for (;;) {
    const FtpReplyParser::Status status = m_parser.Next(&reply);
    if (status == FtpReplyParser::Status::kReply) break;
    if (status == FtpReplyParser::Status::kMalformed) {
      Fail(ERROR_INTERNET_PROTOCOL_ERROR, "malformed reply from the server");
    }
    char buffer[4096];
    const std::size_t received = BreakingOnFailure(
        [&] { return m_control.Receive(buffer, sizeof buffer, m_timeouts.replyMs); });
    if (received == 0) Fail(ERROR_FTP_DROPPED, "the server closed the control connection");
    m_parser.Append(buffer, received);
  }
  m_lastReply = reply.text;
  // 421: the server is closing the connection; whatever was asked is refused.
  if (reply.code == 421) Break();
  return reply;
}

FtpReply CFtpConnection::Command(const std::string& verb, const std::string& argument) {
  EnsureUsable();
  if (!IsSafeArgument(argument)) {
    throw new CInternetException(ERROR_INTERNET_INVALID_OPERATION,
                                 verb + ": the argument holds a line break");
  }
  const std::string line = CommandLine(verb, argument);
  BreakingOnFailure([&] { m_control.SendAll(line.data(), line.size(), m_timeouts.replyMs); });
  return ReadReply();
}

bool CFtpConnection::Accepted(const FtpReply& reply, int expectedClass) {
  if (reply.code / 100 == expectedClass) return true;
  if (reply.code >= 400) return false;
  Fail(ERROR_INTERNET_PROTOCOL_ERROR, "unexpected reply: " + reply.text);
}

void CFtpConnection::Login(const std::string& user, const std::string& password) {
  FtpReply greeting = ReadReply();
  for (int delays = 0; greeting.code == 120 && delays < kMaxDelayReplies; ++delays) {
    greeting = ReadReply();
  }
  if (greeting.code != 220) Fail(ERROR_INTERNET_CANNOT_CONNECT, "greeting: " + greeting.text);

  FtpReply reply = Command("USER", user);
  if (reply.code == 331) reply = Command("PASS", password);
  if (!reply.IsCompletion()) {
    throw new CInternetException(ERROR_INTERNET_LOGIN_FAILURE, reply.text);
  }
}

FtpReply CFtpConnection::TimedCommand(const std::string& verb, double* ms) {
  const long long start = socket_api::NowUs();
  FtpReply reply = Command(verb);
  *ms = (socket_api::NowUs() - start) / 1000.0;
  if (m_roundTripMs < 0.0 || *ms < m_roundTripMs) m_roundTripMs = *ms;
  return reply;
}

bool CFtpConnection::GetCurrentDirectory(std::string& directory) {
  // PWD asks the server for nothing but a name it holds: its reply time is one round trip
  // and little else.
  double ms;
  const FtpReply reply = TimedCommand("PWD", &ms);
  return Accepted(reply, 2) && ParseDirectoryReply(reply.text, &directory);
}

double CFtpConnection::NoopRoundTrip() {
  // Even a server that does not know NOOP answers it at once; a reply that closes the
  // connection shows at the next command. A preliminary reply would leave the final one
  // owed, and every later reply would answer the command before it.
  double ms;
  const FtpReply reply = TimedCommand("NOOP", &ms);
  if (reply.code < 200) Fail(ERROR_INTERNET_PROTOCOL_ERROR, "unexpected reply: " + reply.text);
  return ms;
}

bool CFtpConnection::SetCurrentDirectory(const std::string& directory) {
  return Accepted(Command("CWD", directory), 2);
}

bool CFtpConnection::Remove(const std::string& fileName) {
  return Accepted(Command("DELE", fileName), 2);
}

CInternetFile* CFtpConnection::OpenFile(const std::string& fileName, DWORD access, DWORD flags,
                                        DWORD) {
  const bool writing = (access & GENERIC_WRITE) != 0;
  if (!Accepted(Command("TYPE", flags == FTP_TRANSFER_TYPE_ASCII ? "A" : "I"), 2)) return nullptr;

  EnsureUsable();
  TcpSocket listener = TcpSocket::Listen(m_control.LocalAddress());
  listener.SetWaitSink(m_control.WaitSink());
  const sockaddr_storage local = listener.LocalAddress();
  const FtpReply portReply = local.ss_family == AF_INET ? Command("PORT", PortArgument(local))
                                                        : Command("EPRT", EprtArgument(local));
  if (!Accepted(portReply, 2)) return nullptr;
  if (!Accepted(Command(writing ? "STOR" : "RETR", fileName), 1)) return nullptr;

  // A failure here leaves the server's final reply to the transfer owed: the dialogue is lost.
  TcpSocket data = BreakingOnFailure([&] {
    TcpSocket accepted = listener.Accept(m_control.PeerAddress(), m_timeouts.dataAcceptMs);
    if (writing) accepted.PaceWrites(CInternetFile::kUploadUnsent);
    return accepted;
  });
  m_pOpenFile = new CInternetFile(this, std::move(data), writing);
  return m_pOpenFile;
}

char* CFtpConnection::ReceiveBuffer() {
  if (!m_pReceiveBuffer) m_pReceiveBuffer.reset(new char[CInternetFile::kReceiveBuffer]);
  return m_pReceiveBuffer.get();
}

void CFtpConnection::FileClosed(CInternetFile* file) {
  if (m_pOpenFile == file) m_pOpenFile = nullptr;
}

void CFtpConnection::Close() {
  if (m_pOpenFile) {
    // The transfer's final reply would come before QUIT's: give up the dialogue instead.
    m_pOpenFile->m_pConnection = nullptr;
    m_pOpenFile->m_data.Close();
    m_pOpenFile = nullptr;
    m_broken = true;
  }
  if (!m_broken) {
    try {
      Command("QUIT");
    } catch (CInternetException* e) {
      // The session ends here either way; a server that does not answer QUIT changes nothing.
      e->Delete();
    }
  }
  Break();
}
