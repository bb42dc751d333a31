// The millisecond tick counter that times every transfer.
#pragma once

#include "kernel/types.h"

#ifdef _WIN32
// Windows declares a GetTickCount of its own, which this one stands in front of; in the
// program's files the name means this one.
#include <windows.h>
#define GetTickCount LumvikGetTickCount
#endif

// Milliseconds from a monotonic clock, wrapping at 2^32 (about 49.7 days): the system's
// own tick counter unless a test replaced it.
DWORD GetTickCount();

// Replaces the clock behind GetTickCount; nullptr restores the real one.
using TickSource = DWORD (*)();
void SetTickSource(TickSource source);

// Milliseconds from `start` to `now`, correct across one wrap of the counter.
inline DWORD TickInterval(DWORD start, DWORD now) {
  return now - start;
}
