// Numbers as a Danish reader writes them: a decimal comma.
#pragma once

#include <cstdio>
#include <string>

// `value` with `decimals` places after a decimal comma ("20,3").
inline std::string DanishNumber(double value, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  std::string out = text;
  for (char& c : out) {
    if (c == '.') c = ',';
  }
  return out;
}
