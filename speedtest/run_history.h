// Where the records of test runs are kept.
#pragma once

#include <string>

class CRunRecord;

// Whether a run's record reached the disk, and if not, why.
struct CRecordKept {
  bool recorded = false;  // the run log has the run, and the history a finished run's line
  std::string problem;    // when not: what failed, and where a history line waits
};

// Adds the run's log to the bounded run log (the last 50 runs, at most 256 KiB), replacing
// the log whole, and with `echo` writes it to standard error too; appends a finished run's
// line to the result history. A line that cannot be written now (a full disk, a history
// held open by another program, a planted link) waits in a file beside the history and goes
// in first at the next run that can write it. Never stops a run.
CRecordKept KeepRunRecord(const CRunRecord& record, bool echo);

// The file beside `history` where lines wait that could not be written.
std::string PendingLinesPath(const std::string& history);
