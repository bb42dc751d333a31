// The scripted server as a program of its own, for a client in another process (the
// Windows build under Wine): it answers on 127.0.0.1:PORT until it is stopped.
//   scripted_ftp_server PORT impostor   data connections come only from 127.0.0.2
//   scripted_ftp_server PORT short      200Ktest.rnd ends after 150 KiB, with 226
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/scripted_ftp_server.h"

int main(int argc, char** argv) {
  const std::string mode = argc == 3 ? argv[2] : "";
  if (mode != "impostor" && mode != "short") {
    std::fprintf(stderr, "usage: %s PORT impostor|short\n", argv[0]);
    return 2;
  }
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGINT);
  sigprocmask(SIG_BLOCK, &stop, nullptr);
  ScriptedFtpServer server(2 /* AF_INET */, std::atoi(argv[1]));
  if (mode == "impostor") server.ConnectOnlyFromImpostor();
  if (mode == "short") server.SetFile("200Ktest.rnd", std::string(150 * 1024, 'x'));
  std::printf("listening on %d\n", server.Port());
  std::fflush(stdout);
  int signal = 0;
  sigwait(&stop, &signal);
  return 0;
}
