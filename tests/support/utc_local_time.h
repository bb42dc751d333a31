// For tests that read local times: the computer's time zone made UTC for the process, and a
// moment to count from.
#pragma once

#include <cstdlib>
#include <ctime>

inline void UseUtcAsLocalTime() {
#ifdef _WIN32
  _putenv_s("TZ", "UTC0");
  _tzset();
#else
  setenv("TZ", "UTC", 1);
  tzset();
#endif
}

// 2026-12-09T12:00:00Z.
inline constexpr std::time_t kNoon = 1796817600;
