#include "kernel/tick_count.h"

#include "kernel/system_ticks.h"

namespace {

TickSource g_source = &SystemTickCount;

}  // namespace

DWORD GetTickCount() {
  return g_source();
}

void SetTickSource(TickSource source) {
  g_source = source ? source : &SystemTickCount;
}
