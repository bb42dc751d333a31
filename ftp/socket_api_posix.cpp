#include <errno.h>
#include <linux/sockios.h>
// The kernel's own header: the C library's struct tcp_info lacks the byte counters.
#include <linux/tcp.h>
#include <poll.h>
#include <string.h>

#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "ftp/socket_api.h"

using namespace socket_api;

namespace {

socklen_t LengthOf(const sockaddr_storage& address) {
  return address.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
}

class PosixSockets final : public CSocketLayer {
 public:
  int LastError() override { return errno; }

  Failure Classify(int error) override {
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

  std::string ErrorText(int error) override {
    return strerror(error);
  }

  bool Resolve(const std::string& host, unsigned short port, int family, bool offline,
               std::vector<sockaddr_storage>* found, std::string* failure) override {
    addrinfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG | AI_NUMERICSERV | (offline ? AI_NUMERICHOST : 0);
    addrinfo* list = nullptr;
    const int status = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
    if (status != 0) {
      *failure = ::gai_strerror(status);
      return false;
    }
    for (const addrinfo* entry = list; entry; entry = entry->ai_next) {
      sockaddr_storage address{};
      std::memcpy(&address, entry->ai_addr,
                  std::min<std::size_t>(entry->ai_addrlen, sizeof address));
      found->push_back(address);
    }
    ::freeaddrinfo(list);
    return true;
  }

  SocketHandle NewStreamSocket(int family) override {
    return ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  }

  SocketHandle NewDatagramSocket(int family) override {
    return ::socket(family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  }

  void Close(SocketHandle socket) override {
    ::close(socket);
  }

  int Connect(SocketHandle socket, const sockaddr_storage& address) override {
    return ::connect(socket, reinterpret_cast<const sockaddr*>(&address), LengthOf(address));
  }

  int ConnectOutcome(SocketHandle socket) override {
    int result = 0;
    socklen_t length = sizeof result;
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &result, &length) != 0) return errno;
    return result;
  }

  int Bind(SocketHandle socket, const sockaddr_storage& address) override {
    return ::bind(socket, reinterpret_cast<const sockaddr*>(&address), LengthOf(address));
  }

  int Listen(SocketHandle socket, int backlog) override {
    return ::listen(socket, backlog);
  }

  int LocalAddress(SocketHandle socket, sockaddr_storage* address) override {
    socklen_t length = sizeof *address;
    return ::getsockname(socket, reinterpret_cast<sockaddr*>(address), &length);
  }

  int PeerAddress(SocketHandle socket, sockaddr_storage* address) override {
    socklen_t length = sizeof *address;
    return ::getpeername(socket, reinterpret_cast<sockaddr*>(address), &length);
  }

  SocketHandle Accept(SocketHandle listener, sockaddr_storage* peer) override {
    socklen_t length = sizeof *peer;
    return ::accept4(listener, reinterpret_cast<sockaddr*>(peer), &length,
                     SOCK_NONBLOCK | SOCK_CLOEXEC);
  }

  long Send(SocketHandle socket, const void* data, std::size_t size) override {
    return ::send(socket, data, size, MSG_NOSIGNAL);
  }

  long Receive(SocketHandle socket, void* buffer, std::size_t size) override {
    return ::recv(socket, buffer, size, 0);
  }

  int Poll(SocketHandle socket, bool forWriting, int timeoutMs) override {
    pollfd entry{socket, static_cast<short>(forWriting ? POLLOUT : POLLIN), 0};
    const int ready = ::poll(&entry, 1, timeoutMs);
    return ready > 0 ? 1 : ready;
  }

  int PollConnecting(const std::vector<SocketHandle>& sockets, int timeoutMs) override {
    std::vector<pollfd> entries;
    for (SocketHandle socket : sockets) entries.push_back(pollfd{socket, POLLOUT, 0});
    const int ready = ::poll(entries.data(), entries.size(), timeoutMs);
    if (ready < 0) return -2;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].revents != 0) return static_cast<int>(i);
    }
    return -1;
  }

  int PollAny(std::vector<PollEntry>& entries, int timeoutMs) override {
    std::vector<pollfd> polled;
    for (const PollEntry& entry : entries) {
      polled.push_back(
          pollfd{entry.socket, static_cast<short>(entry.forWriting ? POLLOUT : POLLIN), 0});
    }
    const int ready = ::poll(polled.data(), polled.size(), timeoutMs);
    for (std::size_t i = 0; i < entries.size(); ++i)
      entries[i].ready = ready > 0 && polled[i].revents;
    return ready;
  }

  bool ShutdownSend(SocketHandle socket) override {
    return ::shutdown(socket, SHUT_WR) == 0;
  }

  bool LimitUnsent(SocketHandle socket, int bytes) override {
    return ::setsockopt(socket, IPPROTO_TCP, TCP_NOTSENT_LOWAT, &bytes, sizeof bytes) == 0;
  }

  bool BoundSendBuffer(SocketHandle socket, int bytes) override {
    return ::setsockopt(socket, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes) == 0;
  }

  bool SendAtOnce(SocketHandle socket) override {
    const int on = 1;
    return ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) == 0;
  }

  std::size_t SegmentSize(SocketHandle socket) override {
    int segment = 0;
    socklen_t length = sizeof segment;
    if (::getsockopt(socket, IPPROTO_TCP, TCP_MAXSEG, &segment, &length) != 0 || segment < 0) {
      return 0;
    }
    return static_cast<std::size_t>(segment);
  }

  bool QuerySendState(SocketHandle socket, unsigned long long, SendState* state) override {
    // SIOCOUTQ counts what is queued at all (unsent, or sent and not yet acknowledged);
    // SIOCOUTQNSD what is not sent yet.
    int queued = 0;
    int unsent = 0;
    if (::ioctl(socket, SIOCOUTQ, &queued) != 0 || ::ioctl(socket, SIOCOUTQNSD, &unsent) != 0) {
      return false;
    }
    state->unsent = static_cast<unsigned long long>(unsent);
    state->unacknowledged = static_cast<unsigned long long>(queued);
    state->allAcknowledged = queued == 0;
    return true;
  }

  bool QueryPathInfo(SocketHandle socket, PathInfo* info) override {
    tcp_info tcp{};
    socklen_t length = sizeof tcp;
    if (::getsockopt(socket, IPPROTO_TCP, TCP_INFO, &tcp, &length) != 0) return false;
    info->sendRttMs = tcp.tcpi_rtt / 1000.0;
    // Without timestamps the receiver's estimate is a window's time, no round trip.
    info->receiveRttMs = (tcp.tcpi_options & TCPI_OPT_TIMESTAMPS) != 0 && tcp.tcpi_rcv_rtt > 0
                             ? tcp.tcpi_rcv_rtt / 1000.0
                             : -1.0;
    // Kernels before 4.19 fill fewer fields and count no bytes.
    if (length >= offsetof(tcp_info, tcpi_bytes_retrans) + sizeof tcp.tcpi_bytes_retrans) {
      info->bytesSent = tcp.tcpi_bytes_sent;
      info->bytesRetransmitted = tcp.tcpi_bytes_retrans;
    }
    return true;
  }
};

}  // namespace

CSocketLayer& SystemSockets() {
  static PosixSockets sockets;
  return sockets;
}
