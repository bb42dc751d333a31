// Comma-separated text as spreadsheets write and read it: fields quoted where they hold a
// separator, a quote or a line end; lines ended by LF or CRLF; a byte order mark allowed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// `text` as one field: quoted, with its quotes doubled, where it holds a separator, a quote
// or a line end.
std::string CsvField(const std::string& text);
// The fields of one CSV row (no line end); quoted fields may hold separators and doubled
// quotes. False when a quote is left open.
bool SplitCsvRow(const std::string& row, std::vector<std::string>* fields);
// UTF-8's byte order mark, which tells a spreadsheet the text's encoding.
inline const std::string kByteOrderMark = "\xEF\xBB\xBF";
// The size of `text`'s byte order mark: 3, or 0 when it has none.
std::size_t MarkSize(const std::string& text);

// Calls `each` with every line of `text` from `at` on, without its line end (LF or CRLF).
template <typename Each>
void ForEachLine(const std::string& text, std::size_t at, Each each) {
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    each(line);
    at = end + 1;
  }
}
