// Runs of the result history to take away: as plain text for an e-mail to support, and as
// a history file of their own. Pure text: no window or file.
#pragma once

#include <string>
#include <vector>

#include "speedtest/history_format.h"

// The runs as plain Danish text: the program and its version, then a line per run with its
// time, figures, product, attempts, round trips, grade, the whole line where it was measured,
// and server.
std::string RunsAsText(const std::vector<CHistoryRun>& runs, const std::string& version);
// The runs as a history file of their own: the heading line and a line per run.
std::string RunsAsCsv(const std::vector<CHistoryRun>& runs);
// The same for a spreadsheet in Danish: what Excel splits when the file is opened with a
// double click there (";" between fields, a decimal comma, CRLF), with a UTF-8 byte order
// mark so that it reads æøå as such, and no "sep=" line, which would have it ignore the mark.
std::string RunsAsExcelCsv(const std::vector<CHistoryRun>& runs);
