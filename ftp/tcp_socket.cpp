#include "ftp/tcp_socket.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sched.h>
#include <string.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <memory>

#include "ftp/internet_exception.h"

namespace {

[[noreturn]] void ThrowError(DWORD error, const std::string& what) {
  throw new CInternetException(error, what);
}

[[noreturn]] void ThrowSystemError(const char* what) {
  const int saved = errno;
  DWORD error = ERROR_INTERNET_CONNECTION_ABORTED;
  if (saved == ECONNRESET || saved == EPIPE) error = ERROR_INTERNET_CONNECTION_RESET;
  if (saved == ECONNREFUSED || saved == ENETUNREACH || saved == EHOSTUNREACH)
    error = ERROR_INTERNET_CANNOT_CONNECT;
  ThrowError(error, std::string(what) + ": " + strerror(saved));
}

long long NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Waits for `events` on `fd` until `deadline`; false at the time-out.
bool PollUntil(int fd, short events, long long deadline) {
  for (;;) {
    const long long remaining = deadline - NowMs();
    if (remaining <= 0) return false;
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(remaining));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) ThrowSystemError("poll");
  }
}

int NewStreamSocket(int family) {
  const int fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) ThrowSystemError("socket");
  return fd;
}

socklen_t LengthOf(const sockaddr_storage& address) {
  return address.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
}

// The address as IPv6, so that IPv4 and IPv4-mapped addresses compare equal.
in6_addr AsIpv6(const sockaddr_storage& address) {
  in6_addr out{};
  if (address.ss_family == AF_INET6) {
    out = reinterpret_cast<const sockaddr_in6&>(address).sin6_addr;
  } else if (address.ss_family == AF_INET) {
    out.s6_addr[10] = 0xff;
    out.s6_addr[11] = 0xff;
    memcpy(&out.s6_addr[12], &reinterpret_cast<const sockaddr_in&>(address).sin_addr, 4);
  }
  return out;
}

}  // namespace

TcpSocket::TcpSocket(TcpSocket&& other) noexcept : m_fd(other.m_fd) {
  other.m_fd = -1;
}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
  if (this != &other) {
    Close();
    m_fd = other.m_fd;
    other.m_fd = -1;
  }
  return *this;
}

TcpSocket::~TcpSocket() {
  Close();
}

void TcpSocket::Close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
}

TcpSocket TcpSocket::Connect(const std::string& host, INTERNET_PORT port, int timeoutMs) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_ADDRCONFIG | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const int status = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (status != 0) {
    ThrowError(ERROR_INTERNET_NAME_NOT_RESOLVED, host + ": " + gai_strerror(status));
  }
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, &freeaddrinfo);

  const long long deadline = NowMs() + timeoutMs;
  std::string lastFailure = "no address";
  for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
    TcpSocket candidate(NewStreamSocket(entry->ai_family));
    if (::connect(candidate.m_fd, entry->ai_addr, entry->ai_addrlen) != 0) {
      if (errno != EINPROGRESS) {
        lastFailure = strerror(errno);
        continue;
      }
      if (!PollUntil(candidate.m_fd, POLLOUT, deadline)) {
        ThrowError(ERROR_INTERNET_TIMEOUT, "connect to " + host + " timed out");
      }
      int error = 0;
      socklen_t length = sizeof error;
      ::getsockopt(candidate.m_fd, SOL_SOCKET, SO_ERROR, &error, &length);
      if (error != 0) {
        lastFailure = strerror(error);
        continue;
      }
    }
    return candidate;
  }
  ThrowError(ERROR_INTERNET_CANNOT_CONNECT, "connect to " + host + ": " + lastFailure);
}

TcpSocket TcpSocket::Listen(const sockaddr_storage& address) {
  sockaddr_storage local = address;
  if (local.ss_family == AF_INET6) {
    reinterpret_cast<sockaddr_in6&>(local).sin6_port = 0;
  } else {
    reinterpret_cast<sockaddr_in&>(local).sin_port = 0;
  }
  TcpSocket listener(NewStreamSocket(local.ss_family));
  if (::bind(listener.m_fd, reinterpret_cast<const sockaddr*>(&local), LengthOf(local)) != 0) {
    ThrowSystemError("bind");
  }
  if (::listen(listener.m_fd, 4) != 0) ThrowSystemError("listen");
  return listener;
}

TcpSocket TcpSocket::Accept(const sockaddr_storage& expectedPeer, int timeoutMs) {
  const long long deadline = NowMs() + timeoutMs;
  for (;;) {
    if (!PollUntil(m_fd, POLLIN, deadline)) {
      ThrowError(ERROR_INTERNET_TIMEOUT, "no data connection arrived");
    }
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    const int fd =
        ::accept4(m_fd, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == ECONNABORTED) continue;
      ThrowSystemError("accept");
    }
    TcpSocket connection(fd);
    // A data connection from any host but the server's could inject or steal the file.
    if (SameHost(peer, expectedPeer)) return connection;
  }
}

void TcpSocket::WaitFor(short events, int timeoutMs, const char* what) const {
  if (!PollUntil(m_fd, events, NowMs() + timeoutMs)) {
    ThrowError(ERROR_INTERNET_TIMEOUT, std::string(what) + " timed out");
  }
}

void TcpSocket::SendAll(const void* data, std::size_t size, int timeoutMs) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t sent = ::send(m_fd, bytes, size, MSG_NOSIGNAL);
    if (sent >= 0) {
      bytes += sent;
      size -= static_cast<std::size_t>(sent);
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      WaitFor(POLLOUT, timeoutMs, "send");
    } else if (errno != EINTR) {
      ThrowSystemError("send");
    }
  }
}

std::size_t TcpSocket::Receive(void* buffer, std::size_t size, int timeoutMs) {
  for (;;) {
    const ssize_t received = ::recv(m_fd, buffer, size, 0);
    if (received >= 0) return static_cast<std::size_t>(received);
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      WaitFor(POLLIN, timeoutMs, "receive");
    } else if (errno != EINTR) {
      ThrowSystemError("receive");
    }
  }
}

void TcpSocket::LimitUnsent(int bytes) {
  if (::setsockopt(m_fd, IPPROTO_TCP, TCP_NOTSENT_LOWAT, &bytes, sizeof bytes) != 0) {
    ThrowSystemError("setsockopt TCP_NOTSENT_LOWAT");
  }
}

void TcpSocket::WaitUntilSent(int timeoutMs) {
  // With the unsent bound in place, the socket reads as writable only once the unsent
  // data has shrunk below it.
  WaitFor(POLLOUT, timeoutMs, "send");
}

void TcpSocket::WaitUntilAcknowledged(int timeoutMs) {
  // The kernel tells how much is unsent or unacknowledged but gives no event when that
  // reaches zero. On a fast line the answer comes within microseconds, so the wait first
  // only yields the processor; after a millisecond it naps between looks.
  const long long start = NowMs();
  const long long deadline = start + timeoutMs;
  for (;;) {
    int queued = 0;
    if (::ioctl(m_fd, SIOCOUTQ, &queued) != 0) ThrowSystemError("ioctl SIOCOUTQ");
    if (queued == 0) return;
    const long long now = NowMs();
    if (now >= deadline) ThrowError(ERROR_INTERNET_TIMEOUT, "acknowledgement timed out");
    if (now - start < 1) {
      ::sched_yield();
    } else {
      const timespec nap{0, 50000};
      ::nanosleep(&nap, nullptr);
    }
  }
}

sockaddr_storage TcpSocket::LocalAddress() const {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ThrowSystemError("getsockname");
  }
  return address;
}

sockaddr_storage TcpSocket::PeerAddress() const {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getpeername(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ThrowSystemError("getpeername");
  }
  return address;
}

bool SameHost(const sockaddr_storage& a, const sockaddr_storage& b) {
  if (a.ss_family != AF_INET && a.ss_family != AF_INET6) return false;
  if (b.ss_family != AF_INET && b.ss_family != AF_INET6) return false;
  const in6_addr left = AsIpv6(a);
  const in6_addr right = AsIpv6(b);
  return memcmp(&left, &right, sizeof left) == 0;
}

std::string AddressText(const sockaddr_storage& address) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address.ss_family == AF_INET6) {
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(address).sin6_addr, text,
              sizeof text);
  } else {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(address).sin_addr, text, sizeof text);
  }
  return text;
}

INTERNET_PORT AddressPort(const sockaddr_storage& address) {
  if (address.ss_family == AF_INET6) {
    return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
  }
  return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
}
