// Where the records of test runs are kept: the bounded run log, and the result history with
// the lines that could not be written yet.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "speedtest/history_format.h"

class CRunRecord;

// The run log keeps the newest runs, at most this many and this many bytes.
inline constexpr std::size_t kLoggedRuns = 50;
inline constexpr std::size_t kLogBytes = 256 * 1024;

// Adds the run's log to the bounded run log, replacing the log whole, and with `echo` writes
// it to standard error too; appends a finished run's line to the result history. A line that
// cannot be written now (a full disk, a history held open by another program, a planted link)
// waits in a file beside the history and goes in first at the next run that can write it.
// Never stops a run. Returns what kept the run from its record (what failed, and where its
// line waits); empty when it is recorded.
std::string KeepRunRecord(const CRunRecord& record, bool echo);

// The runs of the history at `history` and, after them in the order of their time, those
// whose lines still wait to go in: every run recorded, written yet or not. False, with the
// reason in `failure`, when a file cannot be read; what could be read is in `runs` all the
// same.
bool LoadHistory(const std::string& history, CHistory* runs, std::string* failure);
// The files that LoadHistory reads, for a reader that watches them for changes.
std::vector<std::string> HistoryFiles(const std::string& history);

// A file of the customer's own settings beside the history (`name` in the private data
// folder): its text, empty where it is missing, unreadable or there is no such folder.
std::string ReadDataFile(const char* name);
// Puts `text` in its place, or removes the file where `text` is empty; false, with the
// cause, where that failed.
bool KeepDataFile(const char* name, const std::string& text, std::string* failure);
