#include "ftp/ftp_dialogue.h"

#include "ftp/ftp_syntax.h"

namespace {

// A server may announce a delay with 120 replies before its greeting; a few are enough.
constexpr int kMaxDelayReplies = 8;

// A step that expects a completion (2xx): a refusal is 4xx or 5xx, anything else is out of turn.
FtpVerdict Completion(const FtpReply& reply) {
  if (reply.IsCompletion()) return FtpVerdict::kAccepted;
  return reply.code >= 400 ? FtpVerdict::kRefused : FtpVerdict::kOutOfTurn;
}

}  // namespace

const char* CFtpDialogue::Verb() const {
  const FtpStep step = m_step == FtpStep::kIdle ? m_lastStep : m_step;
  if (step == FtpStep::kLogIn) return m_askedPassword ? "PASS" : "USER";
  if (step == FtpStep::kOfferData) return m_offeredEprt ? "EPRT" : "PORT";
  // In the order of FtpStep; the greeting is said by the server, unasked.
  static const char* const kVerbs[] = {"",     "",     "USER", "TYPE", "CWD",  "PWD",
                                       "NOOP", "PORT", "RETR", "STOR", "DELE", "QUIT"};
  static_assert(sizeof kVerbs / sizeof kVerbs[0] == static_cast<int>(FtpStep::kQuit) + 1);
  return kVerbs[static_cast<int>(step)];
}

bool CFtpDialogue::Begin(FtpStep step, const std::string& argument, std::string* line) {
  if (!IsSafeArgument(argument)) {
    m_lastStep = step;
    m_step = FtpStep::kIdle;
    return false;
  }
  m_step = step;
  m_askedPassword = false;
  m_delays = 0;
  if (step == FtpStep::kStore) m_storeUnanswered = true;
  *line = step == FtpStep::kGreeting ? std::string() : CommandLine(Verb(), argument);
  return true;
}

bool CFtpDialogue::BeginLogIn(const std::string& user, const std::string& password,
                              std::string* line) {
  if (!IsSafeArgument(password)) return false;
  m_password = password;
  return Begin(FtpStep::kLogIn, user, line);
}

std::string CFtpDialogue::BeginOfferData(const sockaddr_storage& listening) {
  m_step = FtpStep::kOfferData;
  m_offeredEprt = listening.ss_family == AF_INET6;
  return CommandLine(Verb(), m_offeredEprt ? EprtArgument(listening) : PortArgument(listening));
}

FtpVerdict CFtpDialogue::Hear(const FtpReply& reply, std::string* next) {
  next->clear();
  m_closing = m_closing || reply.code == 421;
  FtpVerdict verdict;
  switch (m_step) {
    case FtpStep::kIdle:
      return FtpVerdict::kOutOfTurn;
    case FtpStep::kGreeting:
      if (reply.code == 120 && ++m_delays <= kMaxDelayReplies) return FtpVerdict::kAwait;
      verdict = reply.IsCompletion() ? FtpVerdict::kAccepted : FtpVerdict::kRefused;
      break;
    case FtpStep::kLogIn:
      verdict = HearLogIn(reply, next);
      if (verdict == FtpVerdict::kAwait) return verdict;
      break;
    case FtpStep::kNoop:
      // Even a server that does not know NOOP answers it at once. A preliminary reply would
      // leave the final one owed, and every later reply would answer the command before it.
      verdict = reply.IsPreliminary() ? FtpVerdict::kOutOfTurn : FtpVerdict::kAccepted;
      break;
    case FtpStep::kQuit:
      verdict = FtpVerdict::kAccepted;
      break;
    case FtpStep::kRetrieve:
    case FtpStep::kStore:
      verdict = HearTransfer(reply);
      if (verdict == FtpVerdict::kUnderWay) return verdict;
      break;
    case FtpStep::kDelete:
      verdict = Completion(reply);
      if (verdict == FtpVerdict::kAccepted) m_stored = false;
      break;
    default:
      verdict = Completion(reply);
      break;
  }
  m_lastStep = m_step;
  m_step = FtpStep::kIdle;
  return verdict;
}

FtpVerdict CFtpDialogue::HearLogIn(const FtpReply& reply, std::string* next) {
  if (reply.code == 331 && !m_askedPassword) {
    m_askedPassword = true;
    *next = CommandLine("PASS", m_password);
    return FtpVerdict::kAwait;
  }
  return reply.IsCompletion() ? FtpVerdict::kAccepted : FtpVerdict::kRefused;
}

FtpVerdict CFtpDialogue::HearTransfer(const FtpReply& reply) {
  // Only a refusal (5xx) means the server made no file: it makes the file before it connects.
  m_stored = m_stored || (m_storeUnanswered && reply.code / 100 != 5);
  m_storeUnanswered = false;
  if (reply.IsPreliminary()) return FtpVerdict::kUnderWay;
  return Completion(reply);
}
