#include <windows.h>

#include "kernel/system_ticks.h"

DWORD SystemTickCount() {
  return ::GetTickCount();
}
