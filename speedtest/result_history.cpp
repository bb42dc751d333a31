#include "speedtest/result_history.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "kernel/calendar.h"
#include "speedtest/latency.h"
#include "speedtest/rate_conversion.h"
#include "speedtest/run_record.h"

namespace {

// The columns up to `attempts` are in every history; those after it came later.
constexpr std::size_t kOldestColumns = 8;
constexpr std::size_t kColumns = 16;
constexpr std::time_t kDaySeconds = 24 * 60 * 60;

// The fields of one CSV row; quoted fields may hold separators and doubled quotes. False
// when a quote is left open.
bool SplitRow(const std::string& row, std::vector<std::string>* fields) {
  fields->assign(1, std::string());
  bool quoted = false;
  for (std::size_t i = 0; i < row.size(); ++i) {
    const char c = row[i];
    if (quoted && c == '"' && i + 1 < row.size() && row[i + 1] == '"') {
      fields->back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields->emplace_back();
    } else {
      fields->back() += c;
    }
  }
  return !quoted;
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

// "2026-12-09T14:05:00Z" as seconds since the epoch; false when it is no such time.
bool ParseUtc(const std::string& text, std::time_t* time) {
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

// A number of the history: finite and not negative; false otherwise.
bool ParseNumber(const std::string& text, double* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  *value = std::strtod(text.c_str(), &end);
  return *end == '\0' && std::isfinite(*value) && *value >= 0.0;
}

bool ParseRun(const std::vector<std::string>& f, CHistoryRun* run) {
  if (f.size() < kOldestColumns || f.size() > kColumns) return false;
  double attempts = 0.0;
  if (!ParseUtc(f[0], &run->time) || !ParseNumber(f[1], &run->download) ||
      !ParseNumber(f[2], &run->downloadConverted) || !ParseNumber(f[3], &run->upload) ||
      !ParseNumber(f[4], &run->uploadConverted) || !ParseNumber(f[7], &attempts) || attempts < 1 ||
      attempts > 3 || attempts != std::floor(attempts)) {
    return false;
  }
  run->downloadFile = f[5];
  run->tiers = f[6];
  run->attempts = static_cast<int>(attempts);
  if (f.size() > 9) run->server = f[9];
  if (f.size() > 10) run->origin = f[10];
  if (f.size() > 14) run->latencyGrade = f[14];
  static const std::vector<std::string> kGrades = {"", "A+", "A", "B", "C", "D", "F"};
  if (std::find(kGrades.begin(), kGrades.end(), run->latencyGrade) == kGrades.end()) return false;
  // The figures that may be empty: not measured, or not recorded yet.
  const std::pair<std::size_t, double*> optional[] = {{8, &run->rttMs},
                                                      {11, &run->jitterMs},
                                                      {12, &run->downloadLoadedMs},
                                                      {13, &run->uploadLoadedMs},
                                                      {15, &run->uploadRetransmittedPct}};
  for (const auto& [column, value] : optional) {
    if (f.size() > column && !f[column].empty() && !ParseNumber(f[column], value)) return false;
  }
  return true;
}

// A Danish number: a decimal comma.
std::string Danish(const char* format, double value) {
  char text[48];
  std::snprintf(text, sizeof text, format, value);
  std::string out = text;
  std::replace(out.begin(), out.end(), '.', ',');
  return out;
}

// "20,3 ms", or "ikke målt".
std::string Milliseconds(double ms) {
  return ms < 0 ? "ikke målt" : Danish("%.1f", ms) + " ms";
}

}  // namespace

CHistory ParseHistory(const std::string& text) {
  CHistory history;
  std::size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  std::vector<std::string> fields;
  for (bool first = true; at < text.size(); first = false) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string row = text.substr(at, end - at);
    at = end + 1;
    if (!row.empty() && row.back() == '\r') row.pop_back();
    if (row.empty() || (first && row.rfind("timestamp,", 0) == 0)) continue;
    CHistoryRun run;
    if (SplitRow(row, &fields) && ParseRun(fields, &run)) {
      history.runs.push_back(run);
    } else {
      ++history.skippedRows;
    }
  }
  return history;
}

const char* RangeLabel(HistoryRange range) {
  switch (range) {
    case HistoryRange::kDay:
      return "24 timer";
    case HistoryRange::kWeek:
      return "7 dage";
    case HistoryRange::kMonth:
      return "30 dage";
    case HistoryRange::kYear:
      return "1 år";
    case HistoryRange::kAll:
      break;
  }
  return "Alle";
}

std::time_t RangeStart(HistoryRange range, std::time_t now) {
  switch (range) {
    case HistoryRange::kDay:
      return now - kDaySeconds;
    case HistoryRange::kWeek:
      return now - 7 * kDaySeconds;
    case HistoryRange::kMonth:
      return now - 30 * kDaySeconds;
    case HistoryRange::kYear:
      return now - 365 * kDaySeconds;
    case HistoryRange::kAll:
      break;
  }
  return 0;
}

std::vector<CHistoryRun> RunsInRange(const CHistory& history, HistoryRange range, std::time_t now) {
  const std::time_t start = RangeStart(range, now);
  std::vector<CHistoryRun> runs;
  for (const CHistoryRun& run : history.runs) {
    if (run.time >= start && run.time <= now) runs.push_back(run);
  }
  return runs;
}

CHistorySummary Summarise(const std::vector<CHistoryRun>& runs) {
  CHistorySummary summary;
  summary.runs = runs.size();
  std::vector<double> downloads;
  std::vector<double> uploads;
  std::map<std::string, std::size_t> named;
  for (const CHistoryRun& run : runs) {
    downloads.push_back(run.downloadConverted);
    uploads.push_back(run.uploadConverted);
    if (!run.tiers.empty()) ++named[run.tiers];
  }
  summary.medianDownload = std::max(0.0, Median(downloads));
  summary.medianUpload = std::max(0.0, Median(uploads));
  for (const auto& [tiers, count] : named) {
    if (count > summary.runsInProduct) {
      summary.product = ProductName(tiers);
      summary.runsInProduct = count;
    }
  }
  return summary;
}

std::string SummaryText(HistoryRange range, const CHistorySummary& summary) {
  std::string text = std::string("Målinger, ") + RangeLabel(range) + ": ";
  if (summary.runs == 0) return text + "ingen.";
  text += std::to_string(summary.runs) + ". Median download " +
          Danish("%.0f", summary.medianDownload) + " kbit/s, median upload " +
          Danish("%.0f", summary.medianUpload) + " kbit/s (omregnet).";
  if (summary.product.empty()) return text + " Ingen måling passer til et produkt.";
  return text + " " + std::to_string(summary.runsInProduct) + " af " +
         std::to_string(summary.runs) + " (" +
         Danish("%.0f", 100.0 * summary.runsInProduct / summary.runs) + " %) passer til " +
         summary.product + ".";
}

std::string LocalTimeText(std::time_t time) {
  return TimeText("%d-%m-%Y %H:%M", LocalParts(time));
}

std::string RunsAsText(const std::vector<CHistoryRun>& runs, const std::string& version) {
  std::string text = "Lumvik Hastighedstest " + version + ": " + std::to_string(runs.size()) +
                     (runs.size() == 1 ? " måling" : " målinger") +
                     " (kbit/s omregnet, målt i parentes)\n";
  for (const CHistoryRun& run : runs) {
    text += LocalTimeText(run.time) + "  download " + Danish("%.0f", run.downloadConverted) + " (" +
            Danish("%.0f", run.download) + ")  upload " + Danish("%.0f", run.uploadConverted) +
            " (" + Danish("%.0f", run.upload) + ")  " +
            (run.tiers.empty() ? "intet produkt" : ProductName(run.tiers)) + "  forsøg " +
            std::to_string(run.attempts) + "  svartid " + Milliseconds(run.rttMs) + "  jitter " +
            Milliseconds(run.jitterMs) + "  under belastning ned " +
            Milliseconds(run.downloadLoadedMs) + ", op " + Milliseconds(run.uploadLoadedMs) +
            "  karakter " + (run.latencyGrade.empty() ? "ikke målt" : run.latencyGrade) +
            "  server " + (run.server.empty() ? "ikke noteret" : run.server) + "\n";
  }
  return text;
}

std::string RunsAsCsv(const std::vector<CHistoryRun>& runs) {
  std::string csv = kResultHeader;
  for (const CHistoryRun& run : runs) csv += HistoryLine(run);
  return csv;
}
