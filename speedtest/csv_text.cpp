#include "speedtest/csv_text.h"

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

bool SplitCsvRow(const std::string& row, std::vector<std::string>* fields) {
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

std::size_t MarkSize(const std::string& text) {
  return text.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0 ? kByteOrderMark.size() : 0;
}
