// Where the records of test runs are kept.
#pragma once

class CRunRecord;

// Writes the run's log to standard error and adds it to the bounded run log (the last 50
// runs, at most 256 KiB); adds a finished run's line to the result history. A file that
// cannot be written, or that is not the user's own, is passed over: it never stops a run.
void KeepRunRecord(const CRunRecord& record);
