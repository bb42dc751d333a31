#include "speedtest/history_summary.h"

#include <algorithm>
#include <map>

#include "speedtest/danish_number.h"
#include "speedtest/latency.h"
#include "speedtest/rate_conversion.h"

namespace {

constexpr std::time_t kDaySeconds = 24 * 60 * 60;

}  // namespace

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
          DanishNumber(summary.medianDownload, 0) + " kbit/s, median upload " +
          DanishNumber(summary.medianUpload, 0) + " kbit/s (omregnet).";
  if (summary.product.empty()) return text + " Ingen måling passer til et produkt.";
  return text + " " + std::to_string(summary.runsInProduct) + " af " +
         std::to_string(summary.runs) + " (" +
         DanishNumber(100.0 * summary.runsInProduct / summary.runs, 0) + " %) passer til " +
         summary.product + ".";
}
