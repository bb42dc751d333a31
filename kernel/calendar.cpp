#include "kernel/calendar.h"

#include <cstdio>

namespace {

constexpr long long kDaySeconds = 24 * 60 * 60;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

}  // namespace

bool ParseUtcTimestamp(const std::string& text, std::time_t* time) {
  int y, mo, d, h, mi, s;
  char zone = 0;
  if (text.size() != 20 ||
      std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &zone) !=
          7 ||
      zone != 'Z' || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60) {
    return false;
  }
  *time = static_cast<std::time_t>(DaysFromCivil(y, mo, d) * kDaySeconds + h * 3600 + mi * 60 + s);
  return true;
}

std::string LocalTimeText(std::time_t time) {
  return TimeText("%d-%m-%Y %H:%M", LocalParts(time));
}
