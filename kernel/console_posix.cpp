#include <signal.h>
#include <unistd.h>

#include "kernel/console.h"

namespace {

volatile sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) {
  g_interrupted = 1;
}

}  // namespace

bool IsTerminal(std::FILE* stream) {
  return ::isatty(::fileno(stream)) == 1;
}

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a wait in progress returns at once and sees the flag.
  ::sigaction(SIGINT, &action, nullptr);
}

bool Interrupted() {
  return g_interrupted != 0;
}
