#include "speedtest/run_history.h"

#include <cstdio>
#include <vector>

#include "kernel/directories.h"
#include "kernel/own_file.h"
#include "kernel/private_folder.h"
#include "speedtest/run_record.h"

namespace {

constexpr std::size_t kLoggedRuns = 50;
constexpr std::size_t kLogBytes = 256 * 1024;
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
  const std::string updated = AppendResultLine(old, lines);
  if (updated.compare(0, old.size(), old) == 0) {
    return AppendOwnFile(history, updated.substr(old.size()), failure);
  }
  return ReplaceOwnFile(history, updated, failure);
}

// The file beside `history` where lines wait that could not be written.
std::string PendingLinesPath(const std::string& history) {
  return history + ".pending";
}

// Writes the lines that wait beside the history, then `line`; what cannot be written now
// waits for the next run. Returns what failed; empty when all went in.
std::string AddLinesToHistory(const std::string& history, const std::string& line) {
  const std::string pending = PendingLinesPath(history);
  std::string waiting;
  std::string failure;
  const bool read = ReadOwnFile(pending, &waiting, &failure);
  if (read && waiting.empty() && line.empty()) return std::string();
  if (read && AddToHistory(history, waiting + line, &failure)) {
    if (!waiting.empty() && !RemoveOwnFile(pending, &failure)) {
      // Kept, the lines would go in twice: emptied, they go in never again.
      ReplaceOwnFile(pending, std::string(), &failure);
    }
    return std::string();
  }
  const std::string problem = "the history could not be written (" + failure + ")";
  if (line.empty()) return problem;
  std::string keptFailure;
  if (!AppendOwnFile(pending, line, &keptFailure))
    return problem + "; nor kept (" + keptFailure + ")";
  return problem + "; the run's line waits in " + pending + " for the next run";
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
