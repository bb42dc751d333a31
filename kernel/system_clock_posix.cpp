#include <time.h>

#include "kernel/clock.h"

namespace {

class MonotonicClock final : public CClock {
 public:
  DWORD TickCount() override { return static_cast<DWORD>(NowMs()); }
  long long NowMs() override { return NowUs() / 1000; }
  long long NowUs() override {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
  }
  void Pause(int microseconds) override {
    const timespec pause{0, static_cast<long>(microseconds) * 1000};
    ::nanosleep(&pause, nullptr);
  }
};

}  // namespace

CClock& SystemClock() {
  static MonotonicClock clock;
  return clock;
}
