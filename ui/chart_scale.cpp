#include "ui/chart_scale.h"

#include <algorithm>
#include <cmath>

#include "kernel/calendar.h"

namespace {

constexpr std::time_t kHour = 60 * 60;
constexpr std::time_t kDay = 24 * kHour;

// The Danish month's short name, independent of the C library's locale.
std::string MonthLabel(const std::tm& parts) {
  static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "maj", "jun",
                                        "jul", "aug", "sep", "okt", "nov", "dec"};
  return std::string(kMonths[parts.tm_mon]) + " " + std::to_string(parts.tm_year + 1900);
}

// The first local midnight at or after `time`, `days` days apart from the next.
std::time_t NextMidnight(std::time_t time) {
  std::tm parts = LocalParts(time);
  const bool atMidnight = parts.tm_hour == 0 && parts.tm_min == 0 && parts.tm_sec == 0;
  parts.tm_hour = parts.tm_min = parts.tm_sec = 0;
  if (!atMidnight) ++parts.tm_mday;
  parts.tm_isdst = -1;
  return std::mktime(&parts);
}

std::vector<CTimeMark> HourMarks(std::time_t from, std::time_t to, std::time_t step) {
  std::vector<CTimeMark> marks;
  for (std::time_t t = (from + step - 1) / step * step; t <= to; t += step) {
    marks.push_back({t, TimeText("%H:%M", LocalParts(t))});
  }
  return marks;
}

std::vector<CTimeMark> DayMarks(std::time_t from, std::time_t to, int everyDays) {
  std::vector<CTimeMark> marks;
  int day = 0;
  for (std::time_t t = NextMidnight(from); t <= to; t = NextMidnight(t + kHour), ++day) {
    if (day % everyDays == 0) marks.push_back({t, TimeText("%d-%m", LocalParts(t))});
  }
  return marks;
}

std::vector<CTimeMark> MonthMarks(std::time_t from, std::time_t to, int everyMonths) {
  std::vector<CTimeMark> marks;
  std::tm parts = LocalParts(from);
  parts.tm_mday = 1;
  parts.tm_hour = parts.tm_min = parts.tm_sec = 0;
  for (int month = 0;; ++month) {
    std::tm at = parts;
    at.tm_mon += month;
    at.tm_isdst = -1;
    const std::time_t t = std::mktime(&at);
    if (t > to) break;
    if (t >= from && month % everyMonths == 0) marks.push_back({t, MonthLabel(LocalParts(t))});
  }
  return marks;
}

}  // namespace

CValueAxis ValueAxis(double highest, int marks) {
  if (!(highest > 0.0) || !std::isfinite(highest)) return {1.0, 1.0};
  const double rough = highest / std::max(1, marks);
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  double step = power;
  for (double factor : {1.0, 2.0, 5.0, 10.0}) {
    step = factor * power;
    if (step >= rough) break;
  }
  return {std::ceil(highest / step) * step, step};
}

std::vector<CTimeMark> TimeMarks(std::time_t from, std::time_t to, int marks) {
  if (to <= from || marks < 1) return {};
  const std::time_t span = to - from;
  for (std::time_t hours : {1, 2, 3, 6, 12}) {
    if (span / (hours * kHour) <= marks) return HourMarks(from, to, hours * kHour);
  }
  for (int days : {1, 2, 7, 14}) {
    if (span / (days * kDay) <= marks) return DayMarks(from, to, days);
  }
  for (int months : {1, 2, 3, 6, 12}) {
    if (span / (months * 30 * kDay) <= marks) return MonthMarks(from, to, months);
  }
  return MonthMarks(from, to, static_cast<int>(span / (marks * 365 * kDay) + 1) * 12);
}

std::vector<std::vector<std::size_t>> JoinedPieces(const std::vector<std::time_t>& times,
                                                   std::time_t gapSeconds) {
  std::vector<std::vector<std::size_t>> pieces;
  for (std::size_t i = 0; i < times.size(); ++i) {
    if (i == 0 || times[i] - times[i - 1] > gapSeconds) pieces.emplace_back();
    pieces.back().push_back(i);
  }
  return pieces;
}

std::vector<std::size_t> ColumnExtremes(const std::vector<std::size_t>& piece,
                                        const std::vector<std::time_t>& times,
                                        const std::vector<double>& values, std::time_t from,
                                        std::time_t to, int columns) {
  std::vector<std::size_t> kept;
  const double perSecond = columns / static_cast<double>(std::max<std::time_t>(1, to - from));
  long long column = -1;
  std::size_t low = 0, high = 0;
  const auto flush = [&] {
    if (column < 0) return;
    kept.push_back(std::min(low, high));
    if (low != high) kept.push_back(std::max(low, high));
  };
  for (std::size_t i : piece) {
    if (values[i] < 0) continue;
    const long long at = static_cast<long long>((times[i] - from) * perSecond);
    if (at != column) {
      flush();
      column = at;
      low = high = i;
    } else {
      if (values[i] < values[low]) low = i;
      if (values[i] > values[high]) high = i;
    }
  }
  flush();
  return kept;
}

std::time_t JoiningGap(std::time_t span) {
  return std::max<std::time_t>(3 * kHour, span / 50);
}
