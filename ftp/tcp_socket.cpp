#include "ftp/tcp_socket.h"

#include <algorithm>

#include "ftp/internet_exception.h"
#include "ftp/progress_sink.h"
#include "ftp/send_wait.h"
#include "ftp/socket_address.h"
#include "ftp/socket_failure.h"
#include "kernel/clock.h"

using socket_api::Failure;

// The socket's send state as the system tells it, with the socket's wait sink between
// slices.
class TcpSocket::Probe : public SendStateProbe {
 public:
  explicit Probe(const TcpSocket& socket) : m_socket(socket) {}
  bool Query(socket_api::SendState* state) override {
    return m_socket.Sockets().QuerySendState(m_socket.m_socket, m_socket.m_sentBytes, state);
  }
  long long NowMs() override { return m_socket.m_pEnv->clock.NowMs(); }
  void Pause(int microseconds) override { m_socket.m_pEnv->clock.Pause(microseconds); }
  bool ReportWaiting() override {
    return m_socket.m_pWaitSink && m_socket.m_pWaitSink->ReportWaiting();
  }

 private:
  const TcpSocket& m_socket;
};

TcpSocket::TcpSocket(TcpSocket&& other) noexcept {
  *this = std::move(other);
}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
  if (this != &other) {
    Close();
    m_pEnv = other.m_pEnv;
    m_socket = other.m_socket;
    m_pWaitSink = other.m_pWaitSink;
    m_sentBytes = other.m_sentBytes;
    m_connectMs = other.m_connectMs;
    m_unsentBound = other.m_unsentBound;
    m_systemBoundsUnsent = other.m_systemBoundsUnsent;
    other.m_socket = kNoSocket;
  }
  return *this;
}

bool TcpSocket::PollUntil(bool forWriting, long long deadline, const char* what) const {
  for (;;) {
    const long long remaining = deadline - m_pEnv->clock.NowMs();
    if (remaining <= 0) return false;
    const int slice = static_cast<int>(std::min<long long>(remaining, kWaitSliceMs));
    const int ready = Sockets().Poll(m_socket, forWriting, slice);
    if (ready > 0) return true;
    if (ready < 0 && Sockets().Classify(Sockets().LastError()) != Failure::kInterrupted) {
      ThrowSystemError(Sockets(), "poll");
    }
    if (ready == 0 && slice == kWaitSliceMs) AskToGoOn(m_pWaitSink, what);
  }
}

TcpSocket::~TcpSocket() {
  Close();
}

void TcpSocket::Close() {
  if (m_socket != kNoSocket) Sockets().Close(m_socket);
  m_socket = kNoSocket;
}

TcpSocket TcpSocket::Listen(const CEnvironment& env, const sockaddr_storage& address) {
  sockaddr_storage local = address;
  if (local.ss_family == AF_INET6) {
    reinterpret_cast<sockaddr_in6&>(local).sin6_port = 0;
  } else {
    reinterpret_cast<sockaddr_in&>(local).sin_port = 0;
  }
  TcpSocket listener(env, NewStreamSocketOrThrow(env.sockets, local.ss_family));
  if (env.sockets.Bind(listener.m_socket, local) != 0) ThrowSystemError(env.sockets, "bind");
  if (env.sockets.Listen(listener.m_socket, 4) != 0) ThrowSystemError(env.sockets, "listen");
  return listener;
}

TcpSocket TcpSocket::Accept(const sockaddr_storage& expectedPeer, int timeoutMs) {
  const long long deadline = m_pEnv->clock.NowMs() + timeoutMs;
  for (;;) {
    if (!PollUntil(false, deadline, "the data connection")) {
      ThrowSocketError(ERROR_INTERNET_TIMEOUT, "no data connection arrived");
    }
    sockaddr_storage peer{};
    const SocketHandle accepted = Sockets().Accept(m_socket, &peer);
    if (accepted == kNoSocket) {
      const Failure failure = Sockets().Classify(Sockets().LastError());
      if (failure == Failure::kInterrupted || failure == Failure::kWouldBlock) continue;
      ThrowSystemError(Sockets(), "accept");
    }
    TcpSocket connection(*m_pEnv, accepted, m_pWaitSink);
    // A data connection from any host but the server's could inject or steal the file.
    if (SameHost(peer, expectedPeer)) return connection;
  }
}

void TcpSocket::WaitFor(bool forWriting, int timeoutMs, const char* what) const {
  if (!PollUntil(forWriting, m_pEnv->clock.NowMs() + timeoutMs, what)) {
    ThrowSocketError(ERROR_INTERNET_TIMEOUT, std::string(what) + " timed out");
  }
}

void TcpSocket::SendAll(const void* data, std::size_t size, int timeoutMs) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const long sent = Sockets().Send(m_socket, bytes, size);
    if (sent >= 0) {
      bytes += sent;
      size -= static_cast<std::size_t>(sent);
      m_sentBytes += static_cast<unsigned long long>(sent);
      continue;
    }
    const int error = Sockets().LastError();
    const Failure failure = Sockets().Classify(error);
    if (failure == Failure::kWouldBlock) {
      WaitFor(true, timeoutMs, "send");
    } else if (failure != Failure::kInterrupted) {
      ThrowSystemError(Sockets(), "send", error);
    }
  }
}

std::size_t TcpSocket::Receive(void* buffer, std::size_t size, int timeoutMs) {
  for (;;) {
    const long received = Sockets().Receive(m_socket, buffer, size);
    if (received >= 0) return static_cast<std::size_t>(received);
    const int error = Sockets().LastError();
    const Failure failure = Sockets().Classify(error);
    if (failure == Failure::kWouldBlock) {
      WaitFor(false, timeoutMs, "receive");
    } else if (failure != Failure::kInterrupted) {
      ThrowSystemError(Sockets(), "receive", error);
    }
  }
}

void TcpSocket::PaceWrites(int unsentBytes) {
  // A write shorter than a segment would otherwise wait for the acknowledgement of the one
  // before, which a receiver delays by up to 40 ms: with the unsent data bounded below a
  // segment (loopback's is 64 KiB), every write would.
  if (!Sockets().SendAtOnce(m_socket)) ThrowSystemError(Sockets(), "setsockopt TCP_NODELAY");
  m_unsentBound = unsentBytes;
  m_systemBoundsUnsent = Sockets().LimitUnsent(m_socket, unsentBytes);
}

void TcpSocket::WaitUntilSent(int timeoutMs) {
  if (m_unsentBound == 0) return;
  // Where the system holds the bound itself, the socket reads as writable only once the
  // unsent data has shrunk below it.
  if (m_systemBoundsUnsent) return WaitFor(true, timeoutMs, "send");
  Probe probe(*this);
  const auto bound = static_cast<unsigned long long>(m_unsentBound);
  WaitForSendState(
      probe, [bound](const socket_api::SendState& state) { return state.unsent <= bound; },
      timeoutMs, "send");
}

bool TcpSocket::WaitUntilAcknowledged(int timeoutMs) {
  Probe probe(*this);
  return WaitForSendState(
             probe, [](const socket_api::SendState& state) { return state.allAcknowledged; },
             timeoutMs, "acknowledgement") == SendWaitEnd::kReached;
}

std::size_t TcpSocket::SegmentSize() const {
  return Sockets().SegmentSize(m_socket);
}

bool TcpSocket::QueryPath(socket_api::PathInfo* info) const {
  return Sockets().QueryPathInfo(m_socket, info);
}

sockaddr_storage TcpSocket::LocalAddress() const {
  sockaddr_storage address{};
  if (Sockets().LocalAddress(m_socket, &address) != 0) ThrowSystemError(Sockets(), "getsockname");
  return address;
}

sockaddr_storage TcpSocket::PeerAddress() const {
  sockaddr_storage address{};
  if (Sockets().PeerAddress(m_socket, &address) != 0) ThrowSystemError(Sockets(), "getpeername");
  return address;
}
