// The millisecond tick counter that times every transfer.
#pragma once

#include "kernel/types.h"

// Milliseconds from a monotonic clock, wrapping at 2^32 (about 49.7 days).
DWORD GetTickCount();

// Replaces the clock behind GetTickCount; nullptr restores the real one.
using TickSource = DWORD (*)();
void SetTickSource(TickSource source);

// Milliseconds from `start` to `now`, correct across one wrap of the counter.
inline DWORD TickInterval(DWORD start, DWORD now) {
  return now - start;
}
