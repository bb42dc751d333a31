// The console of a program run from a terminal or a script.
#pragma once

#include <cstdio>

// Whether `stream` writes to a terminal (a console window on Windows).
bool IsTerminal(std::FILE* stream);

// From now on an interrupt (Ctrl-C: SIGINT; on Windows also Ctrl-Break) does not end the
// process but sets a flag that Interrupted reads, so that the program can end in order.
void CatchInterrupts();
bool Interrupted();
