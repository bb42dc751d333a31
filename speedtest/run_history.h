// Where the records of test runs are kept.
#pragma once

#include <string>

class CRunRecord;

// Adds the run's log to the bounded run log (the last 50 runs, at most 256 KiB), replacing
// the log whole, and with `echo` writes it to standard error too; appends a finished run's
// line to the result history. A line that cannot be written now (a full disk, a history
// held open by another program, a planted link) waits in a file beside the history and goes
// in first at the next run that can write it. Never stops a run. Returns what kept the run
// from its record (what failed, and where its line waits); empty when it is recorded.
std::string KeepRunRecord(const CRunRecord& record, bool echo);
