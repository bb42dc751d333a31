#include "ftp/tcp_socket.h"

#include <algorithm>

#include "ftp/internet_exception.h"
#include "ftp/progress_sink.h"
#include "ftp/send_wait.h"
#include "ftp/socket_address.h"
#include "ftp/socket_failure.h"

using socket_api::Failure;

// The socket's send state as the system tells it, with the socket's wait sink between
// slices.
class TcpSocket::Probe : public SendStateProbe {
 public:
  explicit Probe(const TcpSocket& socket) : m_socket(socket) {}
  bool Query(socket_api::SendState* state) override {
    return socket_api::QuerySendState(m_socket.m_socket, m_socket.m_sentBytes, state);
  }
  long long NowMs() override { return socket_api::NowMs(); }
  void Pause(int microseconds) override { socket_api::Pause(microseconds); }
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
    const long long remaining = deadline - socket_api::NowMs();
    if (remaining <= 0) return false;
    const int slice = static_cast<int>(std::min<long long>(remaining, kWaitSliceMs));
    const int ready = socket_api::Poll(m_socket, forWriting, slice);
    if (ready > 0) return true;
    if (ready < 0 && socket_api::Classify(socket_api::LastError()) != Failure::kInterrupted) {
      ThrowSystemError("poll");
    }
    if (ready == 0 && slice == kWaitSliceMs) AskToGoOn(m_pWaitSink, what);
  }
}

TcpSocket::~TcpSocket() {
  Close();
}

void TcpSocket::Close() {
  if (m_socket != kNoSocket) socket_api::Close(m_socket);
  m_socket = kNoSocket;
}

TcpSocket TcpSocket::Listen(const sockaddr_storage& address) {
  sockaddr_storage local = address;
  if (local.ss_family == AF_INET6) {
    reinterpret_cast<sockaddr_in6&>(local).sin6_port = 0;
  } else {
    reinterpret_cast<sockaddr_in&>(local).sin_port = 0;
  }
  TcpSocket listener(NewStreamSocketOrThrow(local.ss_family));
  if (socket_api::Bind(listener.m_socket, local) != 0) ThrowSystemError("bind");
  if (socket_api::Listen(listener.m_socket, 4) != 0) ThrowSystemError("listen");
  return listener;
}

TcpSocket TcpSocket::Accept(const sockaddr_storage& expectedPeer, int timeoutMs) {
  const long long deadline = socket_api::NowMs() + timeoutMs;
  for (;;) {
    if (!PollUntil(false, deadline, "the data connection")) {
      ThrowSocketError(ERROR_INTERNET_TIMEOUT, "no data connection arrived");
    }
    sockaddr_storage peer{};
    const SocketHandle accepted = socket_api::Accept(m_socket, &peer);
    if (accepted == kNoSocket) {
      const Failure failure = socket_api::Classify(socket_api::LastError());
      if (failure == Failure::kInterrupted || failure == Failure::kWouldBlock) continue;
      ThrowSystemError("accept");
    }
    TcpSocket connection(accepted, m_pWaitSink);
    // A data connection from any host but the server's could inject or steal the file.
    if (SameHost(peer, expectedPeer)) return connection;
  }
}

void TcpSocket::WaitFor(bool forWriting, int timeoutMs, const char* what) const {
  if (!PollUntil(forWriting, socket_api::NowMs() + timeoutMs, what)) {
    ThrowSocketError(ERROR_INTERNET_TIMEOUT, std::string(what) + " timed out");
  }
}

void TcpSocket::SendAll(const void* data, std::size_t size, int timeoutMs) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const long sent = socket_api::Send(m_socket, bytes, size);
    if (sent >= 0) {
      bytes += sent;
      size -= static_cast<std::size_t>(sent);
      m_sentBytes += static_cast<unsigned long long>(sent);
      continue;
    }
    const int error = socket_api::LastError();
    const Failure failure = socket_api::Classify(error);
    if (failure == Failure::kWouldBlock) {
      WaitFor(true, timeoutMs, "send");
    } else if (failure != Failure::kInterrupted) {
      ThrowSystemError("send", error);
    }
  }
}

std::size_t TcpSocket::Receive(void* buffer, std::size_t size, int timeoutMs) {
  for (;;) {
    const long received = socket_api::Receive(m_socket, buffer, size);
    if (received >= 0) return static_cast<std::size_t>(received);
    const int error = socket_api::LastError();
    const Failure failure = socket_api::Classify(error);
    if (failure == Failure::kWouldBlock) {
      WaitFor(false, timeoutMs, "receive");
    } else if (failure != Failure::kInterrupted) {
      ThrowSystemError("receive", error);
    }
  }
}

void TcpSocket::PaceWrites(int unsentBytes) {
  // A write shorter than a segment would otherwise wait for the acknowledgement of the one
  // before, which a receiver delays by up to 40 ms: with the unsent data bounded below a
  // segment (loopback's is 64 KiB), every write would.
  if (!socket_api::SendAtOnce(m_socket)) ThrowSystemError("setsockopt TCP_NODELAY");
  m_unsentBound = unsentBytes;
  m_systemBoundsUnsent = socket_api::LimitUnsent(m_socket, unsentBytes);
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
  return socket_api::SegmentSize(m_socket);
}

sockaddr_storage TcpSocket::LocalAddress() const {
  sockaddr_storage address{};
  if (socket_api::LocalAddress(m_socket, &address) != 0) ThrowSystemError("getsockname");
  return address;
}

sockaddr_storage TcpSocket::PeerAddress() const {
  sockaddr_storage address{};
  if (socket_api::PeerAddress(m_socket, &address) != 0) ThrowSystemError("getpeername");
  return address;
}
