#include "speedtest/history_format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "kernel/calendar.h"
#include "kernel/network_link.h"
#include "speedtest/csv_text.h"
#include "speedtest/latency.h"
#include "speedtest/tenths.h"

namespace {

// One column: its name, the history's generation that brought it (0: the first columns,
// which every row holds), and how a run's field is written and read back. A reader is
// given only what the row holds; false when it is no such field.
struct HistoryColumn {
  const char* name;
  int generation;
  std::string (*write)(const CHistoryRun& run);
  bool (*read)(const std::string& field, CHistoryRun* run);
};

// A number of the history: finite and not negative; false otherwise.
bool ParseNumber(const std::string& text, double* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  *value = std::strtod(text.c_str(), &end);
  return *end == '\0' && std::isfinite(*value) && *value >= 0.0;
}

// A rate: always there.
template <double CHistoryRun::*kField>
HistoryColumn Rate(const char* name) {
  return {name, 0, [](const CHistoryRun& run) { return TenthsText(run.*kField); },
          [](const std::string& field, CHistoryRun* run) {
            return ParseNumber(field, &(run->*kField));
          }};
}

// A figure that may be missing (not measured, or not recorded yet).
template <double CHistoryRun::*kField>
HistoryColumn Figure(const char* name, int generation) {
  return {name, generation, [](const CHistoryRun& run) { return KnownTenthsText(run.*kField); },
          [](const std::string& field, CHistoryRun* run) {
            return field.empty() || ParseNumber(field, &(run->*kField));
          }};
}

template <std::string CHistoryRun::*kField>
HistoryColumn Text(const char* name, int generation) {
  return {name, generation, [](const CHistoryRun& run) { return CsvField(run.*kField); },
          [](const std::string& field, CHistoryRun* run) {
            run->*kField = field;
            return true;
          }};
}

// A count that may be missing: a whole number, empty when negative.
template <double CHistoryRun::*kField>
HistoryColumn Sessions(const char* name, int generation) {
  return {name, generation,
          [](const CHistoryRun& run) {
            return run.*kField < 0.0 ? std::string() : std::to_string(std::lround(run.*kField));
          },
          [](const std::string& field, CHistoryRun* run) {
            return field.empty() || (ParseNumber(field, &(run->*kField)) &&
                                     run->*kField == std::floor(run->*kField));
          }};
}

// Whether a measured figure is a lower bound: "1" or "0", empty where the figure is.
template <double CHistoryRun::*kFigure, bool CHistoryRun::*kField>
HistoryColumn AtLeast(const char* name, int generation) {
  return {name, generation,
          [](const CHistoryRun& run) {
            return run.*kFigure < 0.0 ? std::string() : std::string(run.*kField ? "1" : "0");
          },
          [](const std::string& field, CHistoryRun* run) {
            run->*kField = field == "1";
            return field.empty() || field == "0" || field == "1";
          }};
}

// Every column, in the order of the file. Generation 1 brought the round trip, 2 the server
// and the run's origin, 3 the latency, 4 the whole line, 5 the data moved and the whole
// line's sessions, 6 the computer's own connection.
const HistoryColumn kColumns[] = {
    {"timestamp", 0, [](const CHistoryRun& run) { return UtcTimestamp(run.time); },
     [](const std::string& field, CHistoryRun* run) {
       return ParseUtcTimestamp(field, &run->time);
     }},
    Rate<&CHistoryRun::download>("download_kbit_s"),
    Rate<&CHistoryRun::downloadConverted>("download_converted_kbit_s"),
    Rate<&CHistoryRun::upload>("upload_kbit_s"),
    Rate<&CHistoryRun::uploadConverted>("upload_converted_kbit_s"),
    Text<&CHistoryRun::downloadFile>("download_file", 0),
    Text<&CHistoryRun::tiers>("tier", 0),
    {"attempts", 0, [](const CHistoryRun& run) { return std::to_string(run.attempts); },
     [](const std::string& field, CHistoryRun* run) {
       double attempts = 0.0;
       if (!ParseNumber(field, &attempts) || attempts < 1 || attempts > 3 ||
           attempts != std::floor(attempts)) {
         return false;
       }
       run->attempts = static_cast<int>(attempts);
       return true;
     }},
    Figure<&CHistoryRun::rttMs>("rtt_ms", 1),
    Text<&CHistoryRun::server>("server", 2),
    Text<&CHistoryRun::origin>("origin", 2),
    Figure<&CHistoryRun::jitterMs>("jitter_ms", 3),
    Figure<&CHistoryRun::downloadLoadedMs>("download_loaded_ms", 3),
    Figure<&CHistoryRun::uploadLoadedMs>("upload_loaded_ms", 3),
    {"latency_grade", 3, [](const CHistoryRun& run) { return run.latencyGrade; },
     [](const std::string& field, CHistoryRun* run) {
       run->latencyGrade = field;
       return field.empty() || IsLatencyGrade(field);
     }},
    Figure<&CHistoryRun::uploadRetransmittedPct>("upload_retransmitted_pct", 3),
    Figure<&CHistoryRun::lineDownload>("line_download_kbit_s", 4),
    AtLeast<&CHistoryRun::lineDownload, &CHistoryRun::lineDownloadAtLeast>("line_download_at_least",
                                                                           4),
    Figure<&CHistoryRun::lineUpload>("line_upload_kbit_s", 4),
    AtLeast<&CHistoryRun::lineUpload, &CHistoryRun::lineUploadAtLeast>("line_upload_at_least", 4),
    Figure<&CHistoryRun::dataDownloadMB>("data_download_mb", 5),
    Figure<&CHistoryRun::dataUploadMB>("data_upload_mb", 5),
    Sessions<&CHistoryRun::lineDownloadSessions>("line_download_sessions", 5),
    Sessions<&CHistoryRun::lineUploadSessions>("line_upload_sessions", 5),
    {"connection_kind", 6, [](const CHistoryRun& run) { return run.connectionKind; },
     [](const std::string& field, CHistoryRun* run) {
       run->connectionKind = field;
       return field.empty() || IsLinkKindName(field);
     }},
    Figure<&CHistoryRun::linkSpeedMbit>("link_speed_mbit_s", 6),
    {"wifi_signal_dbm", 6,
     [](const CHistoryRun& run) { return run.signalDbm < 0.0 ? TenthsText(run.signalDbm) : ""; },
     [](const std::string& field, CHistoryRun* run) {
       double magnitude = 0.0;
       if (field.empty()) return true;
       if (field[0] != '-' || !ParseNumber(field.substr(1), &magnitude) || magnitude == 0.0) {
         return false;
       }
       run->signalDbm = -magnitude;
       return true;
     }},
    Figure<&CHistoryRun::otherDownloadMbit>("other_download_mbit_s", 6),
    Figure<&CHistoryRun::otherUploadMbit>("other_upload_mbit_s", 6),
    Figure<&CHistoryRun::householdDownloadMbit>("household_download_mbit_s", 6),
    Figure<&CHistoryRun::householdUploadMbit>("household_upload_mbit_s", 6),
    Figure<&CHistoryRun::subscribedDownloadMbit>("subscribed_download_mbit_s", 6),
    Figure<&CHistoryRun::subscribedUploadMbit>("subscribed_upload_mbit_s", 6),
};
constexpr std::size_t kColumnCount = sizeof kColumns / sizeof kColumns[0];

// The names of the columns up to and including `generation`, without a line end.
std::string Heading(int generation) {
  std::string heading;
  for (const HistoryColumn& column : kColumns) {
    if (column.generation > generation) break;
    heading += (heading.empty() ? "" : ",") + std::string(column.name);
  }
  return heading;
}

// How many columns the histories of `generation` hold.
std::size_t ColumnsUpTo(int generation) {
  std::size_t held = 0;
  while (held < kColumnCount && kColumns[held].generation <= generation) ++held;
  return held;
}

// How many columns a history whose heading is `heading` lacks; 0 when it is current or
// no heading of this history at all.
std::size_t MissingColumns(const std::string& heading) {
  const int newest = kColumns[kColumnCount - 1].generation;
  for (int generation = 0; generation < newest; ++generation) {
    if (heading == Heading(generation)) return kColumnCount - ColumnsUpTo(generation);
  }
  return 0;
}

// A row holds every column of the first generation and at most every column there is.
bool ParseRow(const std::vector<std::string>& fields, CHistoryRun* run) {
  if (fields.size() < ColumnsUpTo(0) || fields.size() > kColumnCount) return false;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (!kColumns[i].read(fields[i], run)) return false;
  }
  return true;
}

}  // namespace

const std::string& HistoryHeading() {
  static const std::string heading = Heading(kColumns[kColumnCount - 1].generation) + "\n";
  return heading;
}

std::string HistoryLine(const CHistoryRun& run) {
  std::string line;
  for (const HistoryColumn& column : kColumns) {
    line += (line.empty() ? "" : ",") + column.write(run);
  }
  return line + "\n";
}

CHistory ParseHistory(const std::string& text) {
  CHistory history;
  bool first = true;
  std::vector<std::string> fields;
  ForEachLine(text, MarkSize(text), [&](const std::string& row) {
    const bool heading = first && row.rfind("timestamp,", 0) == 0;
    first = false;
    if (row.empty() || heading) return;
    CHistoryRun run;
    if (SplitCsvRow(row, &fields) && ParseRow(fields, &run)) {
      history.runs.push_back(run);
    } else {
      ++history.skippedRows;
    }
  });
  return history;
}

std::string AppendHistoryLines(const std::string& history, const std::string& lines) {
  const std::size_t markSize = MarkSize(history);
  std::string body = history.substr(markSize);
  const std::size_t firstEnd = body.find('\n');
  const std::string eol =
      firstEnd != std::string::npos && firstEnd > 0 && body[firstEnd - 1] == '\r' ? "\r\n" : "\n";
  const auto withEnds = [&eol](const std::string& text) {
    std::string out;
    for (char c : text) {
      if (c == '\n') {
        out += eol;
      } else if (c != '\r') {
        out += c;
      }
    }
    return out;
  };
  std::string heading = body.substr(0, firstEnd);
  if (!heading.empty() && heading.back() == '\r') heading.pop_back();
  if (body.empty()) {
    body = withEnds(HistoryHeading());
  } else if (const std::size_t missing = MissingColumns(heading); missing > 0) {
    std::string widened = withEnds(HistoryHeading());
    const std::string emptyFields(missing, ',');
    ForEachLine(body, firstEnd == std::string::npos ? body.size() : firstEnd + 1,
                [&](const std::string& row) {
                  if (!row.empty()) widened += row + emptyFields + eol;
                });
    body = widened;
  }
  if (body.back() != '\n') body += eol;
  return history.substr(0, markSize) + body + withEnds(lines);
}
