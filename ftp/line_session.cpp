#include "ftp/line_session.h"

#include <algorithm>

#include "ftp/ftp_syntax.h"
#include "ftp/socket_address.h"

namespace {

using socket_api::Failure;

// What one look at a data connection reads or writes at most, so that one fast session does
// not keep the others waiting.
constexpr std::size_t kChunkBytes = 64 * 1024;
constexpr int kChunksPerLook = 16;
// An upload's unsent data is bounded, so that what it counts has gone onto the line rather
// than into the system's buffer.
constexpr int kUnsentBytes = 128 * 1024;

bool WouldBlock() {
  const Failure failure = socket_api::Classify(socket_api::LastError());
  return failure == Failure::kWouldBlock || failure == Failure::kInterrupted;
}

// The bytes an upload sends: any will do, the line carries them as they are.
const std::vector<char>& UploadPattern() {
  static const std::vector<char> pattern = [] {
    std::vector<char> bytes(kChunkBytes);
    unsigned state = 2463534242u;
    for (char& byte : bytes) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      byte = static_cast<char>(state);
    }
    return bytes;
  }();
  return pattern;
}

}  // namespace

// A socket of the session's own, closed with it.
class CLineSession::Socket {
 public:
  explicit Socket(SocketHandle handle) : m_handle(handle) {}
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() { socket_api::Close(m_handle); }
  SocketHandle Handle() const { return m_handle; }

 private:
  SocketHandle m_handle;
};

CLineSession::CLineSession(CLineSessionPlan plan, long long nowMs) : m_plan(std::move(plan)) {
  Progress(nowMs);
  const SocketHandle handle = socket_api::NewStreamSocket(m_plan.server.ss_family);
  if (handle == kNoSocket) {
    Fail("socket: " + socket_api::ErrorText(socket_api::LastError()));
    return;
  }
  m_control = std::make_unique<Socket>(handle);
  if (socket_api::Connect(handle, m_plan.server) == 0) {
    m_state = State::kGreeting;
  } else if (!WouldBlock() &&
             socket_api::Classify(socket_api::LastError()) != Failure::kInProgress) {
    Fail("connect: " + socket_api::ErrorText(socket_api::LastError()));
  }
}

CLineSession::~CLineSession() = default;

SocketHandle CLineSession::DataSocket() const {
  return m_data && !m_dataEnded ? m_data->Handle() : kNoSocket;
}

void CLineSession::Waits(std::vector<socket_api::PollEntry>* entries) const {
  if (Done() || !m_control) return;
  entries->push_back({m_control->Handle(), m_state == State::kConnecting, false});
  if (AwaitsDataConnection()) entries->push_back({m_listener->Handle(), false, false});
  if (m_data && !m_dataEnded) entries->push_back({m_data->Handle(), m_plan.upload, false});
}

void CLineSession::Advance(long long nowMs) {
  if (Done()) return;
  if (m_state == State::kConnecting) {
    if (socket_api::Poll(m_control->Handle(), true, 0) == 1) {
      const int outcome = socket_api::ConnectOutcome(m_control->Handle());
      if (outcome != 0) return Fail("connect: " + socket_api::ErrorText(outcome));
      m_state = State::kGreeting;
      Progress(nowMs);
    }
  } else {
    ReadControl(nowMs);
  }
  if (Done()) return;
  if (AwaitsDataConnection()) {
    sockaddr_storage peer{};
    const SocketHandle accepted = socket_api::Accept(m_listener->Handle(), &peer);
    if (accepted != kNoSocket) {
      auto data = std::make_unique<Socket>(accepted);
      // A data connection from any host but the server's could inject or steal data.
      if (SameHost(peer, m_plan.server)) {
        if (m_plan.upload) {
          socket_api::SendAtOnce(accepted);
          socket_api::LimitUnsent(accepted, kUnsentBytes);
        }
        m_data = std::move(data);
        m_accepted = true;
        Progress(nowMs);
      }
    }
  }
  if (m_data && !m_dataEnded) MoveData(nowMs);
  if (m_state == State::kTransfer && m_dataEnded && m_finalReply) TransferDone(nowMs);
  if (!Done() && nowMs > m_deadline) {
    Fail("nothing moved for " + std::to_string(m_plan.timeoutMs / 1000) + " s");
  }
}

void CLineSession::ReadControl(long long nowMs) {
  char buffer[4096];
  bool closed = false;
  for (;;) {
    const long received = socket_api::Receive(m_control->Handle(), buffer, sizeof buffer);
    if (received < 0) {
      if (WouldBlock()) break;
      return Fail("control connection: " + socket_api::ErrorText(socket_api::LastError()));
    }
    if (received == 0) {
      closed = true;
      break;
    }
    m_replies.Append(buffer, static_cast<std::size_t>(received));
  }
  // What came before a close is read first: a server that refuses a session says why (421)
  // and closes at once.
  FtpReply reply;
  for (FtpReplyParser::Status status; !Done();) {
    status = m_replies.Next(&reply);
    if (status == FtpReplyParser::Status::kNeedMore) break;
    if (status == FtpReplyParser::Status::kMalformed) return Fail("a malformed reply");
    Progress(nowMs);
    OnReply(reply, nowMs);
  }
  if (!closed || Done()) return;
  if (m_state == State::kQuit) {
    m_state = State::kDone;
    m_control.reset();
    return;
  }
  Fail("the server closed the control connection");
}

void CLineSession::OnReply(const FtpReply& reply, long long nowMs) {
  if (m_state == State::kTransfer) return OnTransferReply(reply, nowMs);
  const std::string said = std::to_string(reply.code) + " " + reply.text;
  // A greeting may be put off with 120 first; any other preliminary reply is out of turn.
  if (reply.IsPreliminary()) {
    if (m_state != State::kGreeting) Fail("unexpected reply: " + said);
    return;
  }
  const bool positive = reply.IsCompletion() || reply.IsIntermediate();
  switch (m_state) {
    case State::kGreeting:
    case State::kUser:
    case State::kPassword:
      if (!positive) {
        m_refused = true;
        return Fail("refused: " + said);
      }
      if (m_state == State::kGreeting) return Send("USER", m_plan.user, State::kUser);
      if (m_state == State::kUser && reply.code == 331) {
        return Send("PASS", m_plan.password, State::kPassword);
      }
      return Send("TYPE", "I", State::kType);
    case State::kType:
      if (!reply.IsCompletion()) return Fail("TYPE refused: " + said);
      return Send("CWD", m_plan.folder, State::kFolder);
    case State::kFolder:
      if (!reply.IsCompletion()) return Fail("CWD refused: " + said);
      return OfferDataConnection();
    case State::kPort:
      if (!reply.IsCompletion()) return Fail("PORT refused: " + said);
      if (m_stopping) return LeaveAfterTransfer();
      m_preliminary = m_finalReply = m_dataEnded = m_accepted = false;
      m_sentOfFile = 0;
      return Send(m_plan.upload ? "STOR" : "RETR", m_plan.file, State::kTransfer);
    case State::kDelete:
      m_deleted = reply.IsCompletion();
      return Send("QUIT", std::string(), State::kQuit);
    case State::kQuit:
      m_state = State::kDone;
      m_control.reset();
      return;
    default:
      return Fail("unexpected reply: " + said);
  }
}

void CLineSession::OnTransferReply(const FtpReply& reply, long long nowMs) {
  if (reply.IsPreliminary()) {
    m_preliminary = true;
    m_stored = m_stored || m_plan.upload;
    return;
  }
  if (reply.IsCompletion() && (m_dataEnded || !m_plan.upload || m_stopping)) {
    m_finalReply = true;
    return;
  }
  if (!m_stopping) {
    return Fail(std::string(m_plan.upload ? "STOR" : "RETR") + " ended with " +
                std::to_string(reply.code) + " " + reply.text);
  }
  // Cut by the stop: whatever the server says ends the transfer.
  m_finalReply = m_dataEnded = true;
  m_data.reset();
  TransferDone(nowMs);
}

void CLineSession::MoveData(long long nowMs) {
  const SocketHandle data = m_data->Handle();
  for (int chunk = 0; chunk < kChunksPerLook; ++chunk) {
    long moved;
    if (m_plan.upload) {
      const std::vector<char>& pattern = UploadPattern();
      const std::size_t size = std::min(pattern.size(), m_plan.uploadBytes - m_sentOfFile);
      if (size == 0) {
        // The whole file is sent: closing the data connection ends it for the server.
        m_data.reset();
        m_dataEnded = true;
        return;
      }
      moved = socket_api::Send(data, pattern.data(), size);
    } else {
      static char sink[kChunkBytes];
      moved = socket_api::Receive(data, sink, sizeof sink);
      if (moved == 0) {
        m_data.reset();
        m_dataEnded = true;
        return;
      }
    }
    if (moved < 0) {
      if (WouldBlock()) return;
      if (m_stopping) return;
      return Fail("data connection: " + socket_api::ErrorText(socket_api::LastError()));
    }
    m_bytes += static_cast<unsigned long long>(moved);
    m_sentOfFile += static_cast<std::size_t>(moved);
    Progress(nowMs);
  }
}

void CLineSession::Send(const std::string& verb, const std::string& argument, State next) {
  const std::string line = CommandLine(verb, argument);
  if (socket_api::Send(m_control->Handle(), line.data(), line.size()) !=
      static_cast<long>(line.size())) {
    return Fail(verb + ": the command could not be sent");
  }
  m_state = next;
}

void CLineSession::OfferDataConnection() {
  m_data.reset();
  // One listener for all the session's files: a port of its own for each would use up the
  // system's ports on a fast line, where each closed connection holds its port for a minute.
  if (!m_listener) {
    sockaddr_storage local{};
    if (socket_api::LocalAddress(m_control->Handle(), &local) != 0) {
      return Fail("getsockname: " + socket_api::ErrorText(socket_api::LastError()));
    }
    if (local.ss_family == AF_INET6) {
      reinterpret_cast<sockaddr_in6&>(local).sin6_port = 0;
    } else {
      reinterpret_cast<sockaddr_in&>(local).sin_port = 0;
    }
    const SocketHandle handle = socket_api::NewStreamSocket(local.ss_family);
    if (handle == kNoSocket) {
      return Fail("socket: " + socket_api::ErrorText(socket_api::LastError()));
    }
    m_listener = std::make_unique<Socket>(handle);
    if (socket_api::Bind(handle, local) != 0 || socket_api::Listen(handle, 1) != 0 ||
        socket_api::LocalAddress(handle, &m_listening) != 0) {
      return Fail("listen: " + socket_api::ErrorText(socket_api::LastError()));
    }
  }
  if (m_listening.ss_family == AF_INET6) {
    return Send("EPRT", EprtArgument(m_listening), State::kPort);
  }
  Send("PORT", PortArgument(m_listening), State::kPort);
}

void CLineSession::TransferDone(long long nowMs) {
  m_data.reset();
  Progress(nowMs);
  if (m_stopping) return LeaveAfterTransfer();
  OfferDataConnection();
}

void CLineSession::LeaveAfterTransfer() {
  m_data.reset();
  m_listener.reset();
  if (m_stored && !m_deleted) return Send("DELE", m_plan.file, State::kDelete);
  Send("QUIT", std::string(), State::kQuit);
}

void CLineSession::Stop(long long nowMs) {
  if (Done() || m_stopping) return;
  m_stopping = true;
  Progress(nowMs);
  switch (m_state) {
    case State::kConnecting:
    case State::kGreeting:
    case State::kUser:
    case State::kPassword:
    case State::kType:
    case State::kFolder:
      // Nothing sent yet: nothing to delete, and nobody to say QUIT to in time.
      m_control.reset();
      m_state = State::kDone;
      return;
    case State::kTransfer:
      // Cut: the server's final reply to it follows, then the file goes.
      m_data.reset();
      m_listener.reset();
      m_dataEnded = true;
      if (m_finalReply) TransferDone(nowMs);
      return;
    default:
      // The reply awaited now leads on to the way out.
      return;
  }
}

void CLineSession::Fail(const std::string& why) {
  m_failure = why;
  m_state = State::kFailed;
  m_data.reset();
  m_listener.reset();
  m_control.reset();
}
