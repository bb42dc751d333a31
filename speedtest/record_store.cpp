#include "speedtest/record_store.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "kernel/directories.h"
#include "kernel/own_file.h"
#include "kernel/private_folder.h"
#include "speedtest/run_record.h"

namespace {

// A writer holds the records' lock for milliseconds; a run that finds it held that long
// writes all the same rather than lose its record.
constexpr int kRecordLockWaitMs = 10000;

bool AddToLog(const std::string& log, const CRunRecord& record, std::string* failure) {
  std::string old;
  return ReadOwnFile(log, &old, failure) &&
         ReplaceOwnFile(log, AppendRunToLog(old, record.LogText(), kLoggedRuns, kLogBytes),
                        failure);
}

// Adds `lines` to the history: appended when its heading is current, else the whole file
// replaced with the heading brought up to date.
bool AddToHistory(const std::string& history, const std::string& lines, std::string* failure) {
  std::string old;
  if (!ReadOwnFile(history, &old, failure)) return false;
  const std::string updated = AppendHistoryLines(old, lines);
  if (updated.compare(0, old.size(), old) == 0) {
    return AppendOwnFile(history, updated.substr(old.size()), failure);
  }
  return ReplaceOwnFile(history, updated, failure);
}

// The file `name` in the folder of the file `path`.
std::string Beside(const std::string& path, const char* name) {
  return path.substr(0, path.find_last_of(kPathSeparator) + 1) + name;
}

// Where lines wait that could not be written: beside the history, or, when that fails too
// (its disk is full), beside the run log, which may lie on another disk.
std::vector<std::string> WaitingPlaces(const std::string& history) {
  std::vector<std::string> places{Beside(history, kWaitingHistoryName)};
  const std::string log = RunLogPath();
  if (log.empty()) return places;
  const std::string besideLog = Beside(log, kWaitingHistoryName);
  if (besideLog != places.front()) places.push_back(besideLog);
  return places;
}

// `lines` in the order of their time, which each begins with.
std::string InOrderOfTime(const std::string& lines) {
  std::vector<std::string> each;
  for (std::size_t at = 0; at < lines.size();) {
    const std::size_t end = std::min(lines.find('\n', at), lines.size());
    each.push_back(lines.substr(at, end - at) + "\n");
    at = end + 1;
  }
  std::sort(each.begin(), each.end());
  std::string ordered;
  for (const std::string& line : each) ordered += line;
  return ordered;
}

// The lines that wait in `places`, one after another; false when one cannot be read.
bool ReadWaitingLines(const std::vector<std::string>& places, std::string* waiting,
                      std::string* failure) {
  for (const std::string& place : places) {
    std::string lines;
    if (!ReadOwnFile(place, &lines, failure)) return false;
    *waiting += lines;
  }
  return true;
}

// Writes the lines that wait, then `line`; what cannot be written now waits for the next
// run. Returns what failed; empty when all went in.
std::string AddLinesToHistory(const std::string& history, const std::string& line) {
  const std::vector<std::string> places = WaitingPlaces(history);
  std::string waiting;
  std::string failure;
  const bool read = ReadWaitingLines(places, &waiting, &failure);
  if (read && waiting.empty() && line.empty()) return std::string();
  if (read && AddToHistory(history, InOrderOfTime(waiting) + line, &failure)) {
    for (const std::string& place : places) {
      // Kept, the lines would go in twice: emptied, they go in never again.
      if (!RemoveOwnFile(place, &failure)) ReplaceOwnFile(place, std::string(), &failure);
    }
    return std::string();
  }
  const std::string problem = "the history could not be written (" + failure + ")";
  if (line.empty()) return problem;
  std::string keptFailure;
  for (const std::string& place : places) {
    if (AppendOwnFile(place, line, &keptFailure)) {
      return problem + "; the run's line waits in " + place + " for the next run";
    }
  }
  return problem + "; nor kept (" + keptFailure + ")";
}

}  // namespace

std::string KeepRunRecord(const CRunRecord& record, bool echo) {
  if (echo) std::fputs(record.LogText().c_str(), stderr);
  const std::string log = RunLogPath();
  const std::string history = ResultHistoryPath();
  const std::string& line = record.ResultLine();
  // One writer at a time, so that no run's record overwrites another's.
  CFolderLock writer;
  std::string failure;
  if (!log.empty()) {
    writer.Take(
        log + ".lock", kRecordLockWaitMs, [] {}, [] { return true; }, &failure);
  }
  std::vector<std::string> problems;
  if (log.empty()) {
    problems.push_back("no private folder for the run log");
  } else if (!AddToLog(log, record, &failure)) {
    problems.push_back("the run log could not be written (" + failure + ")");
  }
  const std::string historyProblem =
      history.empty() ? "no private folder for the history" : AddLinesToHistory(history, line);
  // Lines of earlier runs that still wait do not make this run's record incomplete.
  if (!line.empty() && !historyProblem.empty()) problems.push_back(historyProblem);
  std::string joined;
  for (const std::string& problem : problems) joined += (joined.empty() ? "" : "; ") + problem;
  return joined;
}

bool LoadHistory(const std::string& history, CHistory* runs, std::string* failure) {
  std::string text;
  std::string waiting;
  const bool read = ReadOwnFile(history, &text, failure);
  const bool readWaiting = ReadWaitingLines(WaitingPlaces(history), &waiting, failure);
  *runs = ParseHistory(text);
  const CHistory waitingRuns = ParseHistory(InOrderOfTime(waiting));
  runs->runs.insert(runs->runs.end(), waitingRuns.runs.begin(), waitingRuns.runs.end());
  runs->skippedRows += waitingRuns.skippedRows;
  return read && readWaiting;
}

std::vector<std::string> HistoryFiles(const std::string& history) {
  std::vector<std::string> files{history};
  for (const std::string& place : WaitingPlaces(history)) files.push_back(place);
  return files;
}

namespace {

std::string DataFilePath(const char* name) {
  const std::string folder = PrivateDataDirectory();
  return folder.empty() ? std::string() : folder + kPathSeparator + name;
}

}  // namespace

std::string ReadDataFile(const char* name) {
  const std::string path = DataFilePath(name);
  std::string text;
  std::string failure;
  if (path.empty() || !ReadOwnFile(path, &text, &failure)) return std::string();
  return text;
}

bool KeepDataFile(const char* name, const std::string& text, std::string* failure) {
  const std::string path = DataFilePath(name);
  if (path.empty()) {
    *failure = "the private data folder cannot be used";
    return false;
  }
  return text.empty() ? RemoveOwnFile(path, failure) : ReplaceOwnFile(path, text, failure);
}
