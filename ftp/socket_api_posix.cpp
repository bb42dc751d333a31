#include <errno.h>
#include <linux/sockios.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sched.h>
#include <string.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include "ftp/socket_api.h"

namespace socket_api {

int LastError() {
  return errno;
}

Failure Classify(int error) {
  switch (error) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
      return Failure::kWouldBlock;
    case EINPROGRESS:
      return Failure::kInProgress;
    case EINTR:
    case ECONNABORTED:  // a connection that went before accept took it
      return Failure::kInterrupted;
    case ECONNRESET:
    case EPIPE:
      return Failure::kReset;
    case ECONNREFUSED:
    case ENETUNREACH:
    case EHOSTUNREACH:
      return Failure::kRefused;
    default:
      return Failure::kOther;
  }
}

std::string ErrorText(int error) {
  return strerror(error);
}

SocketHandle NewStreamSocket(int family) {
  return ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

void Close(SocketHandle socket) {
  ::close(socket);
}

SocketHandle Accept(SocketHandle listener, sockaddr_storage* peer) {
  socklen_t length = sizeof *peer;
  return ::accept4(listener, reinterpret_cast<sockaddr*>(peer), &length,
                   SOCK_NONBLOCK | SOCK_CLOEXEC);
}

long Send(SocketHandle socket, const void* data, std::size_t size) {
  return ::send(socket, data, size, MSG_NOSIGNAL);
}

long Receive(SocketHandle socket, void* buffer, std::size_t size) {
  return ::recv(socket, buffer, size, 0);
}

int Poll(SocketHandle socket, bool forWriting, int timeoutMs) {
  pollfd entry{socket, static_cast<short>(forWriting ? POLLOUT : POLLIN), 0};
  const int ready = ::poll(&entry, 1, timeoutMs);
  return ready > 0 ? 1 : ready;
}

bool LimitUnsent(SocketHandle socket, int bytes) {
  return ::setsockopt(socket, IPPROTO_TCP, TCP_NOTSENT_LOWAT, &bytes, sizeof bytes) == 0;
}

int AllAcknowledged(SocketHandle socket, unsigned long long) {
  // What is still queued: unsent, or sent and not yet acknowledged.
  int queued = 0;
  if (::ioctl(socket, SIOCOUTQ, &queued) != 0) return -1;
  return queued == 0 ? 1 : 0;
}

long long NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void GiveWay() {
  ::sched_yield();
}

void Nap() {
  const timespec nap{0, 50000};
  ::nanosleep(&nap, nullptr);
}

}  // namespace socket_api
