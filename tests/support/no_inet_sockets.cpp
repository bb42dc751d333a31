// Preloaded into the program to take the network away: Internet sockets cannot be made,
// while local ones (the display's) still can.
#include <dlfcn.h>
#include <errno.h>
#include <sys/socket.h>

extern "C" int socket(int domain, int type, int protocol) {
  if (domain == AF_INET || domain == AF_INET6) {
    errno = EAFNOSUPPORT;
    return -1;
  }
  using SocketFunction = int (*)(int, int, int);
  static const auto real = reinterpret_cast<SocketFunction>(dlsym(RTLD_NEXT, "socket"));
  return real(domain, type, protocol);
}
