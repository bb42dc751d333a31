// The wait for what a system tells of a socket's sent data but gives no event for: what
// has not left the machine yet, and what the peer has not acknowledged.
#pragma once

#include <string>

#include "ftp/socket_api.h"

// What the wait looks at, sleeps with and asks between its slices.
class SendStateProbe {
 public:
  // False when the system cannot tell.
  virtual bool Query(socket_api::SendState* state) = 0;
  virtual long long NowMs() = 0;
  // Gives the processor away for about `microseconds`.
  virtual void Pause(int microseconds) = 0;
  // Asked at least every kWaitSliceMs; true stops the wait.
  virtual bool ReportWaiting() = 0;

 protected:
  ~SendStateProbe() = default;
};

// How long a network wait runs before its owner is asked whether it goes on.
constexpr int kWaitSliceMs = 100;

enum class SendWaitEnd { kReached, kCannotTell };

// Waits until `reached` holds for the state the probe reports, pausing between looks:
// briefly at first, since on a fast path the answer comes within microseconds, then longer.
// kCannotTell at once when the system cannot tell. Throws CInternetException: a time-out
// after `timeoutMs`, a cancellation when the probe's owner stops the wait.
template <typename Reached>
SendWaitEnd WaitForSendState(SendStateProbe& probe, Reached reached, int timeoutMs,
                             const std::string& what);

// The failures of WaitForSendState, apart so that the template stays small.
[[noreturn]] void ThrowSendWaitTimeout(const std::string& what);
[[noreturn]] void ThrowWaitCancelled(const std::string& what);

template <typename Reached>
SendWaitEnd WaitForSendState(SendStateProbe& probe, Reached reached, int timeoutMs,
                             const std::string& what) {
  constexpr int kShortPauseUs = 50;
  constexpr int kLongPauseUs = 250;
  constexpr long long kShortPausesForMs = 2;
  const long long start = probe.NowMs();
  long long nextAsk = start + kWaitSliceMs;
  for (;;) {
    socket_api::SendState state;
    if (!probe.Query(&state)) return SendWaitEnd::kCannotTell;
    if (reached(state)) return SendWaitEnd::kReached;
    const long long now = probe.NowMs();
    if (now - start >= timeoutMs) ThrowSendWaitTimeout(what);
    if (now >= nextAsk) {
      if (probe.ReportWaiting()) ThrowWaitCancelled(what);
      nextAsk = now + kWaitSliceMs;
    }
    probe.Pause(now - start < kShortPausesForMs ? kShortPauseUs : kLongPauseUs);
  }
}
