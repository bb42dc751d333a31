// Ends that come from outside rather than from the user's hand: SIGTERM and SIGHUP on
// Linux (a log-out, a closed terminal, systemctl stop), the session's end on Windows.
#pragma once

class CSpeedTestDlg;

// From now on such an end closes `dialog` as the user's close does, a run under way ending
// in order (logged, its test files removed, the line freed), and sets `*exitStatus` to 128
// + the signal (143, 129) where a signal ended it. Both must outlive the dialog's run.
void EndWithTheSession(CSpeedTestDlg* dialog, int* exitStatus);
