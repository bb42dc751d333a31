#include "speedtest/tenths.h"

#include <cstdio>
#include <cstdlib>

std::string TenthsText(double value) {
  char text[48];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string KnownTenthsText(double value) {
  return value >= 0.0 ? TenthsText(value) : std::string();
}

double Tenths(double value) {
  return std::strtod(TenthsText(value).c_str(), nullptr);
}
