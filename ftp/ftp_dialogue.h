// The FTP dialogue (RFC 959, RFC 2428): the line each step says and what each reply to it
// means, for the blocking connection and the whole line's sessions alike. It holds no socket
// and never waits: its owner sends the lines it gives and hands it every reply it reads.
#pragma once

#include <string>

#include "ftp/ftp_reply.h"
#include "ftp/socket_api.h"

enum class FtpStep {
  kIdle,  // no step under way: a reply now is out of turn
  kGreeting,
  kLogIn,  // USER, then PASS where the server asks for one (331)
  kType,
  kFolder,
  kPrintFolder,
  kNoop,
  kOfferData,  // PORT for IPv4, EPRT for IPv6
  kRetrieve,
  kStore,
  kDelete,
  kQuit,
};

enum class FtpVerdict {
  kAwait,      // not settled: a delay before the greeting, or PASS was given to send
  kUnderWay,   // a transfer's preliminary reply: its data and its final reply follow
  kAccepted,   // the step is done
  kRefused,    // the server said no (4xx, 5xx), or its greeting never came
  kOutOfTurn,  // a reply the step cannot have: the dialogue is lost
};

class CFtpDialogue {
 public:
  // The line that starts `step` with `argument`; empty for the greeting, which the server says
  // unasked. False for an argument that would break the line: no step is under way, and Verb
  // names the one refused.
  bool Begin(FtpStep step, const std::string& argument, std::string* line);
  // The log-in's USER line; PASS follows when the server asks for it.
  bool BeginLogIn(const std::string& user, const std::string& password, std::string* line);
  // PORT or EPRT for the address a data connection is awaited on.
  std::string BeginOfferData(const sockaddr_storage& listening);
  // What `reply` means for the step under way; `next` gets a line to send at once, if any.
  FtpVerdict Hear(const FtpReply& reply, std::string* next);

  FtpStep Step() const { return m_step; }
  // The command of the step under way or last (RETR, for one), for what a failure says.
  const char* Verb() const;
  // A server makes an upload's file as STOR comes, before it answers: any STOR not refused
  // (5xx) since the last DELE accepted, a 425 after the file was made included, may have
  // left one.
  bool MayHaveStored() const { return m_stored || m_storeUnanswered; }
  // The server said 421: it closes the connection, whatever was asked.
  bool Closing() const { return m_closing; }

 private:
  FtpVerdict HearTransfer(const FtpReply& reply);
  FtpVerdict HearLogIn(const FtpReply& reply, std::string* next);

  FtpStep m_step = FtpStep::kIdle;
  FtpStep m_lastStep = FtpStep::kIdle;
  bool m_askedPassword = false;
  bool m_offeredEprt = false;
  std::string m_password;
  int m_delays = 0;
  bool m_stored = false;
  bool m_storeUnanswered = false;
  bool m_closing = false;
};
