#include <windows.h>

#include "kernel/running.h"
#include "kernel/utf16_win32.h"

void MarkProgramRunning() {
  // Held until the process ends; the system releases it then, however the process ends.
  ::CreateMutexW(nullptr, FALSE, Widen(kRunningMutex).c_str());
}
