#include "speedtest/speed_readout.h"

#include <cstdio>

#include "speedtest/rate_conversion.h"

std::string SpeedReadoutText(DWORD bytes, double seconds) {
  const int rate = seconds > 0.0 ? TruncateToInt((bytes / 128) / seconds) : 0;
  char text[32];
  std::snprintf(text, sizeof text, "kbit/s\n %4d", rate);
  return text;
}

DWORD ProgressPosition(DWORD bytes, DWORD expectedBytes) {
  return expectedBytes > 0 ? bytes * 100u / expectedBytes : 0u;
}
