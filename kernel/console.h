// The console of a program run from a terminal or a script.
#pragma once

#include <cstdio>

// Whether `stream` writes to a terminal (a console window on Windows).
bool IsTerminal(std::FILE* stream);

// From now on an interrupt (Ctrl-C: SIGINT; on Windows also Ctrl-Break) or an end from
// outside (SIGTERM, SIGHUP; on Windows the console's close, a log-off, a shutdown) does not
// end the process but sets a flag that Interrupted reads, so that the program can end in
// order: its run logged, its test files removed.
void CatchInterrupts();
bool Interrupted();
// The exit status that says what ended the program: 128 + the signal's number (130 for
// Ctrl-C, 143 for SIGTERM, 129 for SIGHUP and a closed console).
int InterruptedExitStatus();
// The program has ended in order. A console close, log-off or shutdown waits for this
// (Windows ends the process as soon as it is told that the program has seen it).
void EndedInOrder();
