// The whole line's sessions side by side on one thread: the pool holds them, polls their
// sockets, lets each go on with whatever is ready, and tells what they moved and lost. How
// many sessions to run and when to stop is its owner's to decide.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ftp/line_session.h"

// What the sessions left when the pool ended them.
struct CLinePoolEnd {
  std::vector<std::string> leftFiles;  // the folder's path included
  unsigned long long bytesSent = 0;    // as the system told, retransmissions included
  unsigned long long bytesRetransmitted = 0;
  unsigned long long bytesMoved = 0;
  bool countsHandedOver = false;
};

class CLineSessionPool {
 public:
  // Each session follows `plan`: a download fetches `file`, the Nth upload sends to
  // `file` + "-N", so that the sessions' files never meet.
  CLineSessionPool(const CEnvironment& env, CLineSessionPlan plan, std::string file);

  // The pool's clock in microseconds.
  long long NowUs() const;

  void Start(int count);
  // Lets the sessions go on with whatever is ready until `untilUs`, each once more at the end
  // for its time-outs, then notes the sessions lost.
  void RunUntil(long long untilUs);
  // Ends every session within `withinMs`, calling `between` about every 100 ms meanwhile.
  CLinePoolEnd End(int withinMs, const std::function<void()>& between);

  std::size_t Started() const { return m_sessions.size(); }
  int Alive() const;
  // Sessions alive that have moved file data.
  int Moving() const;
  // What the Nth session started moved so far, counted or not, and whether it has ended.
  unsigned long long Moved(std::size_t n) const { return m_sessions[n]->Moved(); }
  bool Ended(std::size_t n) const { return m_sessions[n]->Done(); }
  // The bytes counted so far, and an upload's bytes sent again, over all sessions.
  unsigned long long Bytes() const;
  unsigned long long Retransmitted() const;
  // The sessions lost so far, those the server refused among them, and what the first said.
  int Lost() const { return m_lost; }
  int Refused() const { return m_refused; }
  const std::string& FirstFailure() const { return m_firstFailure; }
  // The round trip of one loaded data connection as the system estimates it: the sender's
  // for an upload, the receiver's for a download; negative where none tells.
  double LoadedRttMs() const;

 private:
  void NoteLost();

  const CEnvironment& m_env;
  CLineSessionPlan m_plan;
  std::string m_file;
  std::vector<std::unique_ptr<CLineSession>> m_sessions;
  std::set<const CLineSession*> m_countedLost;
  // The sockets of a wait and the session of each, kept from one wait to the next so that a
  // slice allocates nothing.
  std::vector<socket_api::PollEntry> m_waits;
  std::vector<std::size_t> m_waitOwners;
  int m_lost = 0;
  int m_refused = 0;
  std::string m_firstFailure;
};
