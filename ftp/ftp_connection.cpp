#include "ftp/ftp_connection.h"

#include "kernel/clock.h"

#include "ftp/ftp_syntax.h"
#include "ftp/internet_exception.h"
#include "ftp/internet_file.h"

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

const FtpReply& CFtpConnection::ReadReply() {
  if (m_broken) throw new CInternetException(ERROR_FTP_DROPPED, "the control connection is closed");
  for (;;) {
    const FtpReplyParser::Status status = m_parser.Next(&m_lastReply);
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
  return m_lastReply;
}

FtpVerdict CFtpConnection::Await() {
  for (;;) {
    std::string next;
    const FtpVerdict verdict = m_dialogue.Hear(ReadReply(), &next);
    if (m_dialogue.Closing()) Break();
    if (verdict != FtpVerdict::kAwait) return verdict;
    if (!next.empty()) return Exchange(next);
  }
}

FtpVerdict CFtpConnection::Exchange(const std::string& line) {
  BreakingOnFailure([&] { m_control.SendAll(line.data(), line.size(), m_timeouts.replyMs); });
  return Await();
}

FtpVerdict CFtpConnection::Command(FtpStep step, const std::string& argument) {
  EnsureUsable();
  std::string line;
  if (!m_dialogue.Begin(step, argument, &line)) {
    throw new CInternetException(
        ERROR_INTERNET_INVALID_OPERATION,
        std::string(m_dialogue.Verb()) + ": the argument holds a line break");
  }
  return line.empty() ? Await() : Exchange(line);
}

bool CFtpConnection::Accepted(FtpVerdict verdict) {
  if (verdict == FtpVerdict::kAccepted) return true;
  if (verdict == FtpVerdict::kRefused) return false;
  OutOfTurn();
}

void CFtpConnection::OutOfTurn() {
  Fail(ERROR_INTERNET_PROTOCOL_ERROR, "unexpected reply: " + m_lastReply.text);
}

void CFtpConnection::Login(const std::string& user, const std::string& password) {
  if (Command(FtpStep::kGreeting) != FtpVerdict::kAccepted) {
    Fail(ERROR_INTERNET_CANNOT_CONNECT, "greeting: " + m_lastReply.text);
  }
  std::string line;
  if (!m_dialogue.BeginLogIn(user, password, &line)) {
    throw new CInternetException(ERROR_INTERNET_INVALID_OPERATION,
                                 "log-in: the name or password holds a line break");
  }
  if (Exchange(line) != FtpVerdict::kAccepted) {
    throw new CInternetException(ERROR_INTERNET_LOGIN_FAILURE, m_lastReply.text);
  }
}

FtpVerdict CFtpConnection::TimedCommand(FtpStep step, double* ms) {
  const long long start = Environment().clock.NowUs();
  const FtpVerdict verdict = Command(step);
  *ms = (Environment().clock.NowUs() - start) / 1000.0;
  if (m_roundTripMs < 0.0 || *ms < m_roundTripMs) m_roundTripMs = *ms;
  return verdict;
}

bool CFtpConnection::GetCurrentDirectory(std::string& directory) {
  // PWD asks the server for nothing but a name it holds: its reply time is one round trip
  // and little else.
  double ms;
  return Accepted(TimedCommand(FtpStep::kPrintFolder, &ms)) &&
         ParseDirectoryReply(m_lastReply.text, &directory);
}

double CFtpConnection::NoopRoundTrip() {
  // Any final reply will do, the reply time is what counts; a preliminary one breaks the
  // dialogue. A reply that closes the connection shows at the next command.
  double ms;
  Accepted(TimedCommand(FtpStep::kNoop, &ms));
  return ms;
}

bool CFtpConnection::SetCurrentDirectory(const std::string& directory) {
  return Accepted(Command(FtpStep::kFolder, directory));
}

bool CFtpConnection::Remove(const std::string& fileName) {
  return Accepted(Command(FtpStep::kDelete, fileName));
}

CInternetFile* CFtpConnection::OpenFile(const std::string& fileName, DWORD access, DWORD flags,
                                        DWORD) {
  const bool writing = (access & GENERIC_WRITE) != 0;
  if (!Accepted(Command(FtpStep::kType, flags == FTP_TRANSFER_TYPE_ASCII ? "A" : "I"))) {
    return nullptr;
  }
  EnsureUsable();
  TcpSocket listener = TcpSocket::Listen(Environment(), m_control.LocalAddress());
  listener.SetWaitSink(m_control.WaitSink());
  if (!Accepted(Exchange(m_dialogue.BeginOfferData(listener.LocalAddress())))) return nullptr;
  const FtpVerdict opened = Command(writing ? FtpStep::kStore : FtpStep::kRetrieve, fileName);
  if (opened == FtpVerdict::kRefused) return nullptr;
  if (opened != FtpVerdict::kUnderWay) OutOfTurn();

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
      Command(FtpStep::kQuit);
    } catch (CInternetException* e) {
      // The session ends here either way; a server that does not answer QUIT changes nothing.
      e->Delete();
    }
  }
  Break();
}
