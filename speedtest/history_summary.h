// The result history as a customer looks at it: the ranges of time to look at and a summary
// of a range. Pure computation: no window, file or network.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

#include "speedtest/history_format.h"

enum class HistoryRange { kDay, kWeek, kMonth, kYear, kAll };
inline constexpr HistoryRange kHistoryRanges[] = {HistoryRange::kDay, HistoryRange::kWeek,
                                                  HistoryRange::kMonth, HistoryRange::kYear,
                                                  HistoryRange::kAll};
// "24 timer", "7 dage", "30 dage", "1 år", "Alle".
const char* RangeLabel(HistoryRange range);
// Where `range` begins when it ends at `now`; 0 for all.
std::time_t RangeStart(HistoryRange range, std::time_t now);
// The runs of `history` from the range's start up to `now`, oldest first.
std::vector<CHistoryRun> RunsInRange(const CHistory& history, HistoryRange range, std::time_t now);

// A range at a glance: the medians of the converted rates, and the product named most
// often with the share of runs that named it.
struct CHistorySummary {
  std::size_t runs = 0;
  double medianDownload = 0.0;
  double medianUpload = 0.0;
  std::string product;  // "Lumvik Bredbånd 2048/512"; empty when no run named one
  std::size_t runsInProduct = 0;
};
CHistorySummary Summarise(const std::vector<CHistoryRun>& runs);
// The summary in one Danish sentence or two, for a screen reader and a tooltip.
std::string SummaryText(HistoryRange range, const CHistorySummary& summary);
