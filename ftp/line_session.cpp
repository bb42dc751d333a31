#include "ftp/line_session.h"

bool CLineSession::WouldBlock() const {
  const socket_api::Failure failure = Sockets().Classify(Sockets().LastError());
  return failure == socket_api::Failure::kWouldBlock ||
         failure == socket_api::Failure::kInterrupted;
}

CLineSession::CLineSession(const CEnvironment& env, CLineSessionPlan plan, long long nowMs)
    : m_plan(std::move(plan)), m_env(env) {
  Progress(nowMs);
  std::string greeting;
  m_dialogue.Begin(FtpStep::kGreeting, std::string(), &greeting);
  const SocketHandle handle = Sockets().NewStreamSocket(m_plan.server.ss_family);
  if (handle == kNoSocket) {
    Fail("socket: " + Sockets().ErrorText(Sockets().LastError()));
    return;
  }
  m_control = TcpSocket::Adopt(m_env, handle);
  if (Sockets().Connect(handle, m_plan.server) == 0) {
    m_state = State::kGreeting;
  } else if (!WouldBlock() &&
             Sockets().Classify(Sockets().LastError()) != socket_api::Failure::kInProgress) {
    Fail("connect: " + Sockets().ErrorText(Sockets().LastError()));
  }
}

CLineSession::~CLineSession() = default;

SocketHandle CLineSession::DataSocket() const {
  return m_data.IsOpen() && !m_dataEnded ? m_data.Handle() : kNoSocket;
}

void CLineSession::Waits(std::vector<socket_api::PollEntry>* entries) const {
  if (Done() || !m_control.IsOpen()) return;
  entries->push_back({m_control.Handle(), m_state == State::kConnecting, false});
  if (AwaitsDataConnection()) entries->push_back({Listener().Handle(), false, false});
  if (m_data.IsOpen() && !m_dataEnded) entries->push_back({m_data.Handle(), m_plan.upload, false});
}

void CLineSession::Advance(long long nowMs) {
  if (Done()) return;
  if (m_state == State::kConnecting) {
    if (Sockets().Poll(m_control.Handle(), true, 0) == 1) {
      const int outcome = Sockets().ConnectOutcome(m_control.Handle());
      if (outcome != 0) return Fail("connect: " + Sockets().ErrorText(outcome));
      m_state = State::kGreeting;
      Progress(nowMs);
    }
  } else {
    ReadControl(nowMs);
  }
  if (Done()) return;
  if (AwaitsDataConnection()) AcceptDataConnection(nowMs);
  if (m_data.IsOpen() && !m_dataEnded) MoveData(nowMs);
  if (m_state == State::kTransfer && m_dataEnded && m_finalReply) TransferDone(nowMs);
  if (!Done() && nowMs > m_deadline) {
    Fail("nothing moved for " + std::to_string(m_plan.timeoutMs / 1000) + " s");
  }
}

void CLineSession::ReadControl(long long nowMs) {
  char buffer[4096];
  bool closed = false;
  for (;;) {
    const long received = Sockets().Receive(m_control.Handle(), buffer, sizeof buffer);
    if (received < 0) {
      if (WouldBlock()) break;
      return Fail("control connection: " + Sockets().ErrorText(Sockets().LastError()));
    }
    if (received == 0) {
      closed = true;
      break;
    }
    m_replies.Append(buffer, static_cast<std::size_t>(received));
  }
  // What came before a close is read first: a server that refuses a session says why (421)
  // and closes at once.
  for (FtpReplyParser::Status status; !Done();) {
    status = m_replies.Next(&m_reply);
    if (status == FtpReplyParser::Status::kNeedMore) break;
    if (status == FtpReplyParser::Status::kMalformed) return Fail("a malformed reply");
    Progress(nowMs);
    OnReply(m_reply, nowMs);
  }
  if (!closed || Done()) return;
  if (m_state == State::kQuit) {
    m_state = State::kDone;
    m_control.Close();
    return;
  }
  Fail("the server closed the control connection");
}

void CLineSession::OnReply(const FtpReply& reply, long long nowMs) {
  std::string next;
  const FtpVerdict verdict = m_dialogue.Hear(reply, &next);
  if (m_state == State::kTransfer) return OnTransferReply(reply, verdict, nowMs);
  if (verdict == FtpVerdict::kAwait) {
    if (!next.empty()) Send(next, m_state);
    return;
  }
  // Only a failure tells the reply.
  const auto said = [&reply] { return std::to_string(reply.code) + " " + reply.text; };
  if (verdict == FtpVerdict::kOutOfTurn) return Fail("unexpected reply: " + said());
  if (m_state == State::kQuit) {
    m_state = State::kDone;
    m_control.Close();
    return;
  }
  if (m_state == State::kDelete) return Say(FtpStep::kQuit, std::string(), State::kQuit);
  if (verdict != FtpVerdict::kAccepted) {
    m_refused = m_state == State::kGreeting || m_state == State::kLogIn;
    if (m_refused) return Fail("refused: " + said());
    return Fail(std::string(m_dialogue.Verb()) + " refused: " + said());
  }
  switch (m_state) {
    case State::kGreeting: {
      std::string line;
      if (!m_dialogue.BeginLogIn(m_plan.user, m_plan.password, &line)) {
        return Fail("the name or password holds a line break");
      }
      return Send(line, State::kLogIn);
    }
    case State::kLogIn:
      return Say(FtpStep::kType, "I", State::kType);
    case State::kType:
      return Say(FtpStep::kFolder, m_plan.folder, State::kFolder);
    case State::kFolder:
      return OfferDataConnection();
    case State::kPort:
      if (m_stopping) return LeaveAfterTransfer();
      m_preliminary = m_finalReply = m_dataEnded = m_accepted = false;
      m_sentOfFile = 0;
      return Say(m_plan.upload ? FtpStep::kStore : FtpStep::kRetrieve, m_plan.file,
                 State::kTransfer);
    default:
      return Fail("unexpected reply: " + said());
  }
}

void CLineSession::OnTransferReply(const FtpReply& reply, FtpVerdict verdict, long long nowMs) {
  if (verdict == FtpVerdict::kUnderWay) {
    m_preliminary = true;
    return;
  }
  if (verdict == FtpVerdict::kAccepted && (m_dataEnded || !m_plan.upload || m_stopping)) {
    m_finalReply = true;
    return;
  }
  // The server could not open the data connection: the port may be one that an earlier
  // connection's end still holds. Once more on new ports; a second time is a failure.
  if (reply.code == 425 && !m_accepted && !m_stopping && m_dataRefusals == 0) {
    ++m_dataRefusals;
    CloseListeners();
    return OfferDataConnection();
  }
  if (!m_stopping) {
    return Fail(std::string(m_dialogue.Verb()) + " ended with " + std::to_string(reply.code) + " " +
                reply.text);
  }
  // Cut by the stop: whatever the server says ends the transfer.
  m_finalReply = m_dataEnded = true;
  m_data.Close();
  TransferDone(nowMs);
}

void CLineSession::Send(const std::string& line, State next) {
  if (Sockets().Send(m_control.Handle(), line.data(), line.size()) !=
      static_cast<long>(line.size())) {
    return Fail(std::string(m_dialogue.Verb()) + ": the command could not be sent");
  }
  m_state = next;
}

void CLineSession::Say(FtpStep step, const std::string& argument, State next) {
  std::string line;
  if (!m_dialogue.Begin(step, argument, &line)) {
    return Fail(std::string(m_dialogue.Verb()) + ": the argument holds a line break");
  }
  Send(line, next);
}

void CLineSession::LeaveAfterTransfer() {
  m_data.Close();
  CloseListeners();
  if (m_dialogue.MayHaveStored()) return Say(FtpStep::kDelete, m_plan.file, State::kDelete);
  Say(FtpStep::kQuit, std::string(), State::kQuit);
}

void CLineSession::Stop(long long nowMs) {
  if (Done() || m_stopping) return;
  m_stopping = true;
  Progress(nowMs);
  switch (m_state) {
    case State::kConnecting:
    case State::kGreeting:
    case State::kLogIn:
    case State::kType:
    case State::kFolder:
      // Nothing sent yet: nothing to delete, and nobody to say QUIT to in time.
      m_control.Close();
      m_state = State::kDone;
      return;
    case State::kTransfer:
      // Cut: the server's final reply to it follows, then the file goes.
      m_data.Close();
      CloseListeners();
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
  m_data.Close();
  CloseListeners();
  m_control.Close();
}

void CLineSession::CloseListeners() {
  for (TcpSocket& listener : m_listeners) listener.Close();
}
