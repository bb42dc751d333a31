#include "speedtest/speed_readout.h"

#include <algorithm>
#include <cstdio>

#include "speedtest/rate_conversion.h"

std::string SpeedReadoutText(DWORD bytes, double seconds) {
  const int rate = seconds > 0.0 ? TruncateToInt((bytes / 128) / seconds) : 0;
  char text[32];
  std::snprintf(text, sizeof text, "kbit/s\n %4d", rate);
  return text;
}

DWORD TimePosition(double seconds, double longestSeconds) {
  if (!(seconds > 0.0) || !(longestSeconds > 0.0)) return 0;
  return static_cast<DWORD>(std::min(100.0, seconds * 100.0 / longestSeconds));
}

DWORD ProgressPosition(DWORD bytes, DWORD expectedBytes) {
  return expectedBytes > 0 ? bytes * 100u / expectedBytes : 0u;
}
