// TCP_INFO (Windows 10 1703 on) tells what is in flight.
#undef NTDDI_VERSION
#define NTDDI_VERSION 0x0A000003

#include "ftp/socket_api.h"

#include <mstcpip.h>

#include <algorithm>
#include <cstring>

#include "kernel/utf16_win32.h"

#ifndef TCP_MAXSEG  // Windows 10 1607 on; not in every SDK's headers
#define TCP_MAXSEG 4
#endif

using namespace socket_api;

namespace {

int LengthOf(const sockaddr_storage& address) {
  return address.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
}

// The connection's TCP_INFO; false where the system has none (before Windows 10 1703, Wine).
bool QueryTcpInfo(SocketHandle socket, TCP_INFO_v0* info) {
  DWORD version = 0;
  DWORD returned = 0;
  return ::WSAIoctl(socket, SIO_TCP_INFO, &version, sizeof version, info, sizeof *info, &returned,
                    nullptr, nullptr) == 0;
}

class WinsockSockets final : public CSocketLayer {
 public:
  int LastError() override { return ::WSAGetLastError(); }

  Failure Classify(int error) override {
    switch (error) {
      case WSAEWOULDBLOCK:
        return Failure::kWouldBlock;
      case WSAEINPROGRESS:
        return Failure::kInProgress;
      case WSAEINTR:
      case WSAECONNABORTED:
        return Failure::kInterrupted;
      case WSAECONNRESET:
      case WSAESHUTDOWN:
        return Failure::kReset;
      case WSAECONNREFUSED:
      case WSAENETUNREACH:
      case WSAEHOSTUNREACH:
        return Failure::kRefused;
      default:
        return Failure::kOther;
    }
  }

  std::string ErrorText(int error) override { return SystemErrorText(static_cast<DWORD>(error)); }

  bool Resolve(const std::string& host, unsigned short port, int family, bool offline,
               std::vector<sockaddr_storage>* found, std::string* failure) override {
    ADDRINFOW hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG | AI_NUMERICSERV | (offline ? AI_NUMERICHOST : 0);
    ADDRINFOW* list = nullptr;
    const int status =
        ::GetAddrInfoW(Widen(host).c_str(), std::to_wstring(port).c_str(), &hints, &list);
    if (status != 0) {
      // The wide text, so that the system's own language reaches the log intact.
      *failure = Narrow(::gai_strerrorW(status));
      return false;
    }
    for (const ADDRINFOW* entry = list; entry; entry = entry->ai_next) {
      sockaddr_storage address{};
      std::memcpy(&address, entry->ai_addr,
                  std::min<std::size_t>(entry->ai_addrlen, sizeof address));
      found->push_back(address);
    }
    ::FreeAddrInfoW(list);
    return true;
  }

  SocketHandle NewStreamSocket(int family) override {
    const SocketHandle socket =
        ::WSASocketW(family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    u_long nonBlocking = 1;
    if (socket != INVALID_SOCKET && ::ioctlsocket(socket, FIONBIO, &nonBlocking) != 0) {
      ::closesocket(socket);
      return INVALID_SOCKET;
    }
    return socket;
  }

  SocketHandle NewDatagramSocket(int family) override {
    return ::WSASocketW(family, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  }

  void Close(SocketHandle socket) override { ::closesocket(socket); }

  int Connect(SocketHandle socket, const sockaddr_storage& address) override {
    return ::connect(socket, reinterpret_cast<const sockaddr*>(&address), LengthOf(address));
  }

  int ConnectOutcome(SocketHandle socket) override {
    int result = 0;
    int length = sizeof result;
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&result), &length) !=
        0) {
      return ::WSAGetLastError();
    }
    return result;
  }

  int Bind(SocketHandle socket, const sockaddr_storage& address) override {
    return ::bind(socket, reinterpret_cast<const sockaddr*>(&address), LengthOf(address));
  }

  int Listen(SocketHandle socket, int backlog) override { return ::listen(socket, backlog); }

  int LocalAddress(SocketHandle socket, sockaddr_storage* address) override {
    int length = sizeof *address;
    return ::getsockname(socket, reinterpret_cast<sockaddr*>(address), &length);
  }

  int PeerAddress(SocketHandle socket, sockaddr_storage* address) override {
    int length = sizeof *address;
    return ::getpeername(socket, reinterpret_cast<sockaddr*>(address), &length);
  }

  SocketHandle Accept(SocketHandle listener, sockaddr_storage* peer) override {
    int length = sizeof *peer;
    // An accepted socket inherits the listener's non-blocking mode.
    return ::accept(listener, reinterpret_cast<sockaddr*>(peer), &length);
  }

  long Send(SocketHandle socket, const void* data, std::size_t size) override {
    return ::send(socket, static_cast<const char*>(data), static_cast<int>(size), 0);
  }

  long Receive(SocketHandle socket, void* buffer, std::size_t size) override {
    return ::recv(socket, static_cast<char*>(buffer), static_cast<int>(size), 0);
  }

  int Poll(SocketHandle socket, bool forWriting, int timeoutMs) override {
    // select, not WSAPoll: only select reports a failed connection attempt on every Windows
    // (in the exception set); the caller then reads SO_ERROR.
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(socket, &ready);
    FD_SET(socket, &failed);
    timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    const int count = ::select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr,
                               &failed, &timeout);
    return count > 0 ? 1 : count;
  }

  int PollAny(std::vector<PollEntry>& entries, int timeoutMs) override {
    // select, as Poll: a failed connection shows in the exception set. The phase's sockets stay
    // well below FD_SETSIZE.
    fd_set readable;
    fd_set writable;
    fd_set failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    for (const PollEntry& entry : entries) {
      FD_SET(entry.socket, entry.forWriting ? &writable : &readable);
      FD_SET(entry.socket, &failed);
    }
    timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    const int count = ::select(0, &readable, &writable, &failed, &timeout);
    for (PollEntry& entry : entries) {
      entry.ready =
          count > 0 && (FD_ISSET(entry.socket, entry.forWriting ? &writable : &readable) ||
                        FD_ISSET(entry.socket, &failed));
    }
    return count < 0 ? -1 : count;
  }

  int PollConnecting(const std::vector<SocketHandle>& sockets, int timeoutMs) override {
    // select, as in Poll: a failed attempt shows in the exception set.
    fd_set made;
    fd_set failed;
    FD_ZERO(&made);
    FD_ZERO(&failed);
    for (SocketHandle socket : sockets) {
      FD_SET(socket, &made);
      FD_SET(socket, &failed);
    }
    timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    const int count = ::select(0, nullptr, &made, &failed, &timeout);
    if (count < 0) return -2;
    for (std::size_t i = 0; i < sockets.size(); ++i) {
      if (FD_ISSET(sockets[i], &made) || FD_ISSET(sockets[i], &failed)) return static_cast<int>(i);
    }
    return -1;
  }

  bool ShutdownSend(SocketHandle socket) override { return ::shutdown(socket, SD_SEND) == 0; }

  bool LimitUnsent(SocketHandle, int) override {
    // Winsock has no bound on unsent data alone, and its send buffer would bound what is in
    // flight as well, which caps a long path: the writes wait on QuerySendState instead.
    return false;
  }

  bool BoundSendBuffer(SocketHandle socket, int bytes) override {
    return ::setsockopt(socket, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&bytes),
                        sizeof bytes) == 0;
  }

  bool SendAtOnce(SocketHandle socket) override {
    const BOOL on = TRUE;
    return ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
                        sizeof on) == 0;
  }

  std::size_t SegmentSize(SocketHandle socket) override {
    DWORD segment = 0;
    int length = sizeof segment;
    if (::getsockopt(socket, IPPROTO_TCP, TCP_MAXSEG, reinterpret_cast<char*>(&segment), &length) !=
        0) {
      return 0;
    }
    return segment;
  }

  bool QuerySendState(SocketHandle socket, unsigned long long written, SendState* state) override {
    TCP_INFO_v0 info{};
    if (!QueryTcpInfo(socket, &info)) return false;
    // BytesOut counts a retransmitted byte again; what has left the machine once is the rest.
    const unsigned long long out =
        info.BytesOut >= info.BytesRetrans ? info.BytesOut - info.BytesRetrans : 0;
    state->unsent = written > out ? written - out : 0;
    state->unacknowledged = state->unsent + info.BytesInFlight;
    state->allAcknowledged = info.BytesInFlight == 0 && out >= written;
    return true;
  }

  bool QueryPathInfo(SocketHandle socket, PathInfo* info) override {
    TCP_INFO_v0 tcp{};
    if (!QueryTcpInfo(socket, &tcp)) return false;
    // Windows keeps the sender's estimate only: a receiver's stays the handshake's.
    info->sendRttMs = tcp.RttUs / 1000.0;
    info->receiveRttMs = -1.0;
    info->bytesSent = tcp.BytesOut;
    info->bytesRetransmitted = tcp.BytesRetrans;
    return true;
  }
};

}  // namespace

CSocketLayer& SystemSockets() {
  static WinsockSockets sockets;
  return sockets;
}
