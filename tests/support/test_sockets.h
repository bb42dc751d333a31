// The few socket calls of the tests' own servers under POSIX names on both platforms.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstddef>

using ssize_t = long long;
inline constexpr int MSG_NOSIGNAL = 0;
inline constexpr int SHUT_RDWR = SD_BOTH;
inline constexpr int SOCK_CLOEXEC = 0;

// Winsock wants WSAStartup before the first socket.
inline void StartTestSockets() {
  static const bool started = [] {
    WSADATA data{};
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
}
inline int CloseSocket(int fd) {
  return ::closesocket(static_cast<SOCKET>(fd));
}
inline int TestPoll(pollfd* entries, unsigned count, int timeoutMs) {
  return ::WSAPoll(entries, count, timeoutMs);
}
inline ssize_t TestRecv(int fd, void* buffer, std::size_t size, int flags) {
  return ::recv(static_cast<SOCKET>(fd), static_cast<char*>(buffer), static_cast<int>(size), flags);
}
inline ssize_t TestSend(int fd, const void* data, std::size_t size, int flags) {
  return ::send(static_cast<SOCKET>(fd), static_cast<const char*>(data), static_cast<int>(size),
                flags);
}
inline int TestSocket(int family) {
  StartTestSockets();
  const SOCKET s = ::socket(family, SOCK_STREAM, IPPROTO_TCP);
  return s == INVALID_SOCKET ? -1 : static_cast<int>(s);
}
inline int TestAccept(int listener) {
  const SOCKET s = ::accept(static_cast<SOCKET>(listener), nullptr, nullptr);
  return s == INVALID_SOCKET ? -1 : static_cast<int>(s);
}
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

inline void StartTestSockets() {}
inline int CloseSocket(int fd) {
  return ::close(fd);
}
inline int TestPoll(pollfd* entries, unsigned count, int timeoutMs) {
  return ::poll(entries, count, timeoutMs);
}
inline ssize_t TestRecv(int fd, void* buffer, std::size_t size, int flags) {
  return ::recv(fd, buffer, size, flags);
}
inline ssize_t TestSend(int fd, const void* data, std::size_t size, int flags) {
  return ::send(fd, data, size, flags);
}
inline int TestSocket(int family) {
  return ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
}
inline int TestAccept(int listener) {
  return ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}
#endif
