// The system's millisecond counter, behind the program's substitutable tick counter.
#pragma once

#include "kernel/types.h"

// Milliseconds from a monotonic clock, wrapping at 2^32.
DWORD SystemTickCount();
