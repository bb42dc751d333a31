#include "speedtest/history_export.h"

#include "kernel/calendar.h"
#include "speedtest/csv_text.h"
#include "speedtest/danish_number.h"
#include "speedtest/rate_conversion.h"
#include "speedtest/result_text.h"

namespace {

// "20,3 ms", or "ikke målt".
std::string Milliseconds(double ms) {
  return ms < 0 ? "ikke målt" : DanishNumber(ms, 1) + " ms";
}

// "  hele linjen 880,1 Mbit/s ned, mindst 250,0 Mbit/s op"; empty where it was not measured.
std::string LineText(const CHistoryRun& run) {
  const std::string directions = WholeLineDirections(run.lineDownload, run.lineDownloadAtLeast,
                                                     run.lineUpload, run.lineUploadAtLeast);
  return directions.empty() ? std::string() : "  hele linjen " + directions;
}

// A field as Danish Excel reads it: a decimal number with a comma, quoted where it holds a
// separator, a quote or a line end.
std::string ExcelField(std::string text) {
  const std::size_t digits = text.rfind('-', 0) == 0 ? 1 : 0;
  const std::size_t point = text.find('.');
  const bool number =
      text.size() > digits && text.find_first_not_of("0123456789.", digits) == std::string::npos &&
      point != digits && point != text.size() - 1 &&
      text.find('.', point == std::string::npos ? 0 : point + 1) == std::string::npos;
  if (number && point != std::string::npos) text[point] = ',';
  if (text.find_first_of(";\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

// One line of the history (with its "\n") as a spreadsheet row.
std::string ExcelRow(const std::string& line) {
  std::vector<std::string> fields;
  SplitCsvRow(line.substr(0, line.size() - 1), &fields);
  std::string row;
  for (std::size_t i = 0; i < fields.size(); ++i) row += (i ? ";" : "") + ExcelField(fields[i]);
  return row + "\r\n";
}

}  // namespace

std::string RunsAsText(const std::vector<CHistoryRun>& runs, const std::string& version) {
  std::string text = "Lumvik Hastighedstest " + version + ": " + std::to_string(runs.size()) +
                     (runs.size() == 1 ? " måling" : " målinger") +
                     " (kbit/s omregnet, målt i parentes)\n";
  for (const CHistoryRun& run : runs) {
    text += LocalTimeText(run.time) + "  download " + DanishNumber(run.downloadConverted, 0) +
            " (" + DanishNumber(run.download, 0) + ")  upload " +
            DanishNumber(run.uploadConverted, 0) + " (" + DanishNumber(run.upload, 0) + ")  " +
            (run.tiers.empty() ? "intet produkt" : ProductName(run.tiers)) + "  forsøg " +
            std::to_string(run.attempts) + "  svartid " + Milliseconds(run.rttMs) + "  jitter " +
            Milliseconds(run.jitterMs) + "  under belastning ned " +
            Milliseconds(run.downloadLoadedMs) + ", op " + Milliseconds(run.uploadLoadedMs) +
            "  karakter " + (run.latencyGrade.empty() ? "ikke målt" : run.latencyGrade) +
            LineText(run) + "  server " + (run.server.empty() ? "ikke noteret" : run.server) + "\n";
  }
  return text;
}

std::string RunsAsCsv(const std::vector<CHistoryRun>& runs) {
  std::string csv = HistoryHeading();
  for (const CHistoryRun& run : runs) csv += HistoryLine(run);
  return csv;
}

std::string RunsAsExcelCsv(const std::vector<CHistoryRun>& runs) {
  std::string csv = kByteOrderMark + ExcelRow(HistoryHeading());
  for (const CHistoryRun& run : runs) csv += ExcelRow(HistoryLine(run));
  return csv;
}
