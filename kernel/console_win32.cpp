#include <io.h>
#include <windows.h>

#include <atomic>

#include "kernel/console.h"

namespace {

std::atomic<bool> g_interrupted{false};

BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  // Called on a thread of its own: the run sees the flag at its next chunk or wait slice.
  g_interrupted = true;
  return TRUE;
}

}  // namespace

bool IsTerminal(std::FILE* stream) {
  return ::_isatty(::_fileno(stream)) != 0;
}

void CatchInterrupts() {
  ::SetConsoleCtrlHandler(OnControl, TRUE);
}

bool Interrupted() {
  return g_interrupted;
}
