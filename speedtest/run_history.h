// Where the records of test runs are kept.
#pragma once

class CRunRecord;

// Adds the run's log to the bounded run log (the last 50 runs, at most 256 KiB), and with
// `echo` writes it to standard error too; adds a finished run's line to the result history.
// A file that cannot be written, or that is not the user's own, is passed over: it never
// stops a run.
void KeepRunRecord(const CRunRecord& record, bool echo);
