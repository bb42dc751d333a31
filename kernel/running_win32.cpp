#include <windows.h>

#include "kernel/running.h"
#include "kernel/utf16_win32.h"

bool MarkProgramRunning() {
  // Held until the process ends; the system releases it then, however the process ends.
  return ::CreateMutexW(nullptr, FALSE, Widen(kRunningMutex).c_str()) != nullptr ||
         ::CreateMutexW(nullptr, FALSE, Widen(kRunningMutexInSession).c_str()) != nullptr;
}
