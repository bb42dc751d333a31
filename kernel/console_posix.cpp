#include <signal.h>
#include <unistd.h>

#include <initializer_list>

#include "kernel/console.h"

namespace {

volatile sig_atomic_t g_interrupted = 0;

void OnInterrupt(int signal) {
  g_interrupted = signal;
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
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

bool Interrupted() {
  return g_interrupted != 0;
}

int InterruptedExitStatus() {
  return 128 + g_interrupted;
}

// The process ends when main returns.
void EndedInOrder() {}
