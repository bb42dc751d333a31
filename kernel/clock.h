// The clocks the program keeps time by: the tick counter that times each transfer, and the
// monotonic clock that every network wait is measured on.
#pragma once

#include "kernel/types.h"

class CClock {
 public:
  virtual ~CClock() = default;

  // Milliseconds, wrapping at 2^32 (about 49.7 days): what a transfer's seconds are counted
  // in.
  virtual DWORD TickCount() = 0;
  // The waits' clock in milliseconds, and in microseconds for round trips.
  virtual long long NowMs() = 0;
  virtual long long NowUs() = 0;
  // Gives the processor to others for about `microseconds` (the system may round it up to
  // its timer's step).
  virtual void Pause(int microseconds) = 0;
};

// The system's clocks.
CClock& SystemClock();

// Milliseconds from `start` to `now`, correct across one wrap of the counter.
inline DWORD TickInterval(DWORD start, DWORD now) {
  return now - start;
}
