// The result history's file format, for its writer and its reader alike: one line of
// comma-separated fields per finished run under a heading line of the columns' names.
// Columns only ever join at the end, so an older history is the current one cut short; a
// spreadsheet may have saved it with a byte order mark and CRLF. Pure text: no file.
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
  // The whole line in each direction, kbit/s; negative where it was not measured. "At least"
  // where the rise had not ended when the phase did.
  double lineDownload = -1.0;
  bool lineDownloadAtLeast = false;
  double lineUpload = -1.0;
  bool lineUploadAtLeast = false;
  // The data the run moved each way, in megabytes (10^6 bytes, as data allowances count);
  // negative where not recorded.
  double dataDownloadMB = -1.0;
  double dataUploadMB = -1.0;
  // The fewest sessions that carried each direction's whole line; negative where none.
  double lineDownloadSessions = -1.0;
  double lineUploadSessions = -1.0;
  // The computer's own connection: its kind ("cable", "wifi", ..., "unknown"; empty where
  // not recorded), its own speed in Mbit/s (a cable's, or a radio's rate), a radio's signal
  // in dBm (0 where unknown), the other traffic during the run in Mbit/s each way, and the
  // household's through the home router; negative where unknown.
  std::string connectionKind;
  double linkSpeedMbit = -1.0;
  double signalDbm = 0.0;
  double otherDownloadMbit = -1.0;
  double otherUploadMbit = -1.0;
  double householdDownloadMbit = -1.0;
  double householdUploadMbit = -1.0;
  // The subscription's maximum each way in Mbit/s when the run was made; negative where none
  // was set.
  double subscribedDownloadMbit = -1.0;
  double subscribedUploadMbit = -1.0;
};

struct CHistory {
  std::vector<CHistoryRun> runs;  // in the order of the file: oldest first
  std::size_t skippedRows = 0;    // rows that could not be read
};

// The heading line of the result history, with its line end; its names carry the units.
const std::string& HistoryHeading();

// A run's line of the history: rates, round trips and shares to 0.1, the start in UTC,
// fields quoted where they hold a separator, figures not measured empty.
std::string HistoryLine(const CHistoryRun& run);

// The runs of a history file's text (a byte order mark, CRLF, the heading line and the
// rows of every older history allowed); a row that cannot be read is skipped and counted.
CHistory ParseHistory(const std::string& text);

// `history` with `lines` added, after the heading line when it is empty, with the line ends
// the history has; its byte order mark stays. An older history gains the columns that joined
// since, empty in its rows. A current history is only added to at its end.
std::string AppendHistoryLines(const std::string& history, const std::string& lines);
