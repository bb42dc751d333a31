#include <winsock2.h>

#include "kernel/sockets.h"

bool AfxSocketInit() {
  WSADATA data{};
  return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void AfxSocketTerm() {
  ::WSACleanup();
}
