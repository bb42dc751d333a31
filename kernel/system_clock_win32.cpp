#include <windows.h>

#include "kernel/clock.h"

namespace {

class WindowsClock final : public CClock {
 public:
  DWORD TickCount() override { return ::GetTickCount(); }
  long long NowMs() override { return static_cast<long long>(::GetTickCount64()); }
  long long NowUs() override {
    LARGE_INTEGER count;
    LARGE_INTEGER frequency;
    ::QueryPerformanceCounter(&count);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<long long>(count.QuadPart / frequency.QuadPart * 1000000 +
                                  count.QuadPart % frequency.QuadPart * 1000000 /
                                      frequency.QuadPart);
  }
  void Pause(int microseconds) override {
    // Sleep's step is the system timer's, a millisecond at best: never a spin.
    ::Sleep(static_cast<DWORD>((microseconds + 999) / 1000));
  }
};

}  // namespace

CClock& SystemClock() {
  static WindowsClock clock;
  return clock;
}
