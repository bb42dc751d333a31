// A test's clock behind GetTickCount for as long as the guard lives, and the system's back
// however the test ends, a failed assertion's early return included.
#pragma once

#include "kernel/tick_count.h"

class ScopedTickSource {
 public:
  explicit ScopedTickSource(TickSource source) { SetTickSource(source); }
  ~ScopedTickSource() { SetTickSource(nullptr); }
  ScopedTickSource(const ScopedTickSource&) = delete;
  ScopedTickSource& operator=(const ScopedTickSource&) = delete;
};
