// The result history as a customer reads it back: the runs parsed from the history file,
// the ranges of time to look at, a summary of a range, and the text and CSV to take away.
// Pure computation: no window, file or network.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

// One finished run, as its history line holds it. Rates in kbit/s (1 kbit = 1024 bits).
struct CHistoryRun {
  std::time_t time = 0;  // the start, UTC
  double download = 0.0;
  double downloadConverted = 0.0;
  double upload = 0.0;
  double uploadConverted = 0.0;
  std::string downloadFile;
  std::string tiers;  // "2048/512"; empty when the run named no product
  int attempts = 0;
  double rttMs = -1.0;  // negative: not recorded
  std::string server;   // "host:port"; empty in rows from before it was recorded
  std::string origin;   // "window", "cli", "schedule"; likewise
  // The latency, each negative (or empty) when not measured or not recorded: the idle
  // jitter, each direction's median round trip under load, the worse direction's grade
  // ("A+" to "F"), and the share of the upload's bytes sent again, in per cent.
  double jitterMs = -1.0;
  double downloadLoadedMs = -1.0;
  double uploadLoadedMs = -1.0;
  std::string latencyGrade;
  double uploadRetransmittedPct = -1.0;
};

struct CHistory {
  std::vector<CHistoryRun> runs;  // in the order of the file: oldest first
  std::size_t skippedRows = 0;    // rows that could not be read
};

// The runs of a history file's text (a byte order mark, CRLF, the heading line and the
// columns of every older history allowed); a row that cannot be read is skipped and counted.
CHistory ParseHistory(const std::string& text);

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

// "09-12-2026 14:05", in the computer's time zone.
std::string LocalTimeText(std::time_t time);
// The runs as plain Danish text for an e-mail to support: the program and its version,
// then a line per run with its time, figures, product, attempts, round trip and server.
std::string RunsAsText(const std::vector<CHistoryRun>& runs, const std::string& version);
// The runs as a history file of their own: the heading line (its names carry the units)
// and a line per run.
std::string RunsAsCsv(const std::vector<CHistoryRun>& runs);
