// Times of the clock as people read them: the parts of a moment in UTC or in the computer's
// time zone, and their text.
#pragma once

#include <ctime>
#include <string>

inline std::tm UtcParts(std::time_t time) {
  std::tm parts{};
#ifdef _WIN32
  gmtime_s(&parts, &time);
#else
  gmtime_r(&time, &parts);
#endif
  return parts;
}

inline std::tm LocalParts(std::time_t time) {
  std::tm parts{};
#ifdef _WIN32
  localtime_s(&parts, &time);
#else
  localtime_r(&time, &parts);
#endif
  return parts;
}

// `parts` written by strftime's `format`; at most 63 characters.
inline std::string TimeText(const char* format, const std::tm& parts) {
  char text[64];
  return std::string(text, std::strftime(text, sizeof text, format, &parts));
}

// "2026-12-09T14:05:00Z", as the run's record writes a moment.
inline std::string UtcTimestamp(std::time_t time) {
  return TimeText("%Y-%m-%dT%H:%M:%SZ", UtcParts(time));
}

// "2026-12-09T14:05:00Z" as seconds since the epoch; false when it is no such moment.
bool ParseUtcTimestamp(const std::string& text, std::time_t* time);

// "09-12-2026 14:05", in the computer's time zone.
std::string LocalTimeText(std::time_t time);
