#include <io.h>
#include <windows.h>

#include <atomic>

#include "kernel/console.h"

namespace {

std::atomic<int> g_exitStatus{0};
HANDLE g_ended = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);

// As the POSIX signals would say it: SIGINT, SIGHUP for a closed console, SIGTERM.
int ExitStatusFor(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      return 130;
    case CTRL_CLOSE_EVENT:
      return 129;
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      return 143;
    default:
      return 0;
  }
}

BOOL WINAPI OnControl(DWORD event) {
  const int status = ExitStatusFor(event);
  if (status == 0) return FALSE;
  // Called on a thread of its own: the run sees the flag at its next chunk or wait slice.
  int none = 0;
  g_exitStatus.compare_exchange_strong(none, status);
  // After a close, log-off or shutdown the system ends the process once this returns, so
  // it waits (within the system's own grace of 5 s) for the run to end in order.
  if (status != 130) ::WaitForSingleObject(g_ended, 4500);
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
  return g_exitStatus != 0;
}

int InterruptedExitStatus() {
  return g_exitStatus;
}

void EndedInOrder() {
  ::SetEvent(g_ended);
}
