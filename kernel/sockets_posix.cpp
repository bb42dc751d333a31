#include "kernel/sockets.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

bool AfxSocketInit() {
  if (::signal(SIGPIPE, SIG_IGN) == SIG_ERR) return false;
  const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (probe < 0) return false;
  ::close(probe);
  return true;
}

void AfxSocketTerm() {}
