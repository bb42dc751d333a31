#include "kernel/tick_count.h"

#include <time.h>

namespace {

DWORD MonotonicMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                  static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<DWORD>(ms);
}

TickSource g_source = &MonotonicMilliseconds;

}  // namespace

DWORD GetTickCount() {
  return g_source();
}

void SetTickSource(TickSource source) {
  g_source = source ? source : &MonotonicMilliseconds;
}
