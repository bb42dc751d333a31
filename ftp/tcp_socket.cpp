#include "ftp/tcp_socket.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "ftp/internet_exception.h"
#include "ftp/progress_sink.h"
#include "ftp/send_wait.h"

namespace {

using socket_api::Failure;

[[noreturn]] void ThrowError(DWORD error, const std::string& what) {
  throw new CInternetException(error, what);
}

[[noreturn]] void ThrowSystemError(const char* what, int code = socket_api::LastError()) {
  DWORD error = ERROR_INTERNET_CONNECTION_ABORTED;
  const Failure failure = socket_api::Classify(code);
  if (failure == Failure::kReset) error = ERROR_INTERNET_CONNECTION_RESET;
  if (failure == Failure::kRefused) error = ERROR_INTERNET_CANNOT_CONNECT;
  ThrowError(error, std::string(what) + ": " + socket_api::ErrorText(code));
}

SocketHandle NewStreamSocket(int family) {
  const SocketHandle socket = socket_api::NewStreamSocket(family);
  if (socket == kNoSocket) ThrowSystemError("socket");
  return socket;
}

// The address as IPv6, so that IPv4 and IPv4-mapped addresses compare equal.
in6_addr AsIpv6(const sockaddr_storage& address) {
  in6_addr out{};
  if (address.ss_family == AF_INET6) {
    out = reinterpret_cast<const sockaddr_in6&>(address).sin6_addr;
  } else if (address.ss_family == AF_INET) {
    out.s6_addr[10] = 0xff;
    out.s6_addr[11] = 0xff;
    std::memcpy(&out.s6_addr[12], &reinterpret_cast<const sockaddr_in&>(address).sin_addr, 4);
  }
  return out;
}

// Between the slices of a wait: stops it when `sink` (null asks nobody) says so.
void AskToGoOn(CProgressSink* sink, const char* what) {
  if (sink && sink->ReportWaiting()) ThrowWaitCancelled(what);
}

}  // namespace

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

namespace {

// Name lookups on a thread of their own. The resolver may wait far longer than a slice (a
// resolver that is never answered: 10 s and more), and only another thread lets that wait
// be sliced like every other network wait. One thread serves every lookup of the process in
// turn, since a thread for each would cost more than a lookup of a name the system knows;
// a lookup given up finishes there all the same.
struct Lookup {
  std::string host;
  INTERNET_PORT port = 0;
  int family = AF_UNSPEC;
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  bool found = false;
  std::vector<sockaddr_storage> addresses;
  std::string failure;
};

class LookupThread {
 public:
  static void Start(std::shared_ptr<Lookup> lookup) {
    // Never destroyed: the thread may still wait on it while the process ends.
    static LookupThread* const worker = new LookupThread;
    const std::lock_guard<std::mutex> hold(worker->m_mutex);
    worker->m_queue.push_back(std::move(lookup));
    worker->m_work.notify_one();
  }

 private:
  LookupThread() {
    std::thread([this] { Serve(); }).detach();
  }

  void Serve() {
    for (;;) {
      std::shared_ptr<Lookup> lookup;
      {
        std::unique_lock<std::mutex> hold(m_mutex);
        m_work.wait(hold, [this] { return !m_queue.empty(); });
        lookup = std::move(m_queue.front());
        m_queue.pop_front();
      }
      std::vector<sockaddr_storage> addresses;
      std::string failure;
      const bool found =
          socket_api::Resolve(lookup->host, lookup->port, lookup->family, &addresses, &failure);
      const std::lock_guard<std::mutex> hold(lookup->mutex);
      lookup->found = found;
      lookup->addresses = std::move(addresses);
      lookup->failure = std::move(failure);
      lookup->finished = true;
      lookup->done.notify_all();
    }
  }

  std::mutex m_mutex;
  std::condition_variable m_work;
  std::deque<std::shared_ptr<Lookup>> m_queue;
};

std::shared_ptr<Lookup> StartLookup(const std::string& host, INTERNET_PORT port, int family) {
  auto lookup = std::make_shared<Lookup>();
  lookup->host = host;
  lookup->port = port;
  lookup->family = family;
  LookupThread::Start(lookup);
  return lookup;
}

// The next connection attempt starts this long after the one before, unless that one
// fails sooner.
constexpr long long kNextAttemptAfterMs = 250;

enum class ConnectStart { kMade, kGoing, kFailed };

// Starts a connection of `socket` to `address`; kFailed puts the system's words in `failure`.
ConnectStart StartConnect(SocketHandle socket, const sockaddr_storage& address,
                          std::string* failure) {
  if (socket_api::Connect(socket, address) == 0) return ConnectStart::kMade;
  const int error = socket_api::LastError();
  const Failure kind = socket_api::Classify(error);
  if (kind == Failure::kInProgress || kind == Failure::kWouldBlock) return ConnectStart::kGoing;
  *failure = socket_api::ErrorText(error);
  return ConnectStart::kFailed;
}

// One address's connection under way, and when it started (socket_api::NowUs).
struct ConnectAttempt {
  TcpSocket socket;
  long long startUs;
};

// Waits up to `waitMs` for one of the `attempts`: its index, or -1 at the time-out or when a
// signal cut the wait short.
int WaitForConnecting(const std::vector<ConnectAttempt>& attempts, long long waitMs) {
  std::vector<SocketHandle> sockets;
  for (const ConnectAttempt& attempt : attempts) sockets.push_back(attempt.socket.Handle());
  const int ready = socket_api::PollConnecting(sockets, static_cast<int>(std::max(0LL, waitMs)));
  if (ready == -2 && socket_api::Classify(socket_api::LastError()) != Failure::kInterrupted) {
    ThrowSystemError("poll");
  }
  return ready < 0 ? -1 : ready;
}

}  // namespace

TcpSocket TcpSocket::Connect(const std::string& host, INTERNET_PORT port, int family, int timeoutMs,
                             CProgressSink* waitSink) {
  const long long deadline = socket_api::NowMs() + timeoutMs;
  const std::shared_ptr<Lookup> lookup = StartLookup(host, port, family);
  std::unique_lock<std::mutex> hold(lookup->mutex);
  while (!lookup->done.wait_for(hold, std::chrono::milliseconds(kWaitSliceMs),
                                [&] { return lookup->finished; })) {
    hold.unlock();
    if (socket_api::NowMs() >= deadline) {
      ThrowError(ERROR_INTERNET_TIMEOUT, "the lookup of " + host + " timed out");
    }
    AskToGoOn(waitSink, "the lookup of the server's name");
    hold.lock();
  }
  if (!lookup->found) {
    ThrowError(ERROR_INTERNET_NAME_NOT_RESOLVED, host + ": " + lookup->failure);
  }
  const std::vector<sockaddr_storage> addresses = lookup->addresses;
  hold.unlock();
  return ConnectToAny(addresses, host,
                      static_cast<int>(std::max(1LL, deadline - socket_api::NowMs())), waitSink);
}

TcpSocket TcpSocket::ConnectToAny(const std::vector<sockaddr_storage>& addresses,
                                  const std::string& host, int timeoutMs, CProgressSink* waitSink) {
  const auto made = [](ConnectAttempt& attempt) {
    attempt.socket.m_connectMs = (socket_api::NowUs() - attempt.startUs) / 1000.0;
    return std::move(attempt.socket);
  };
  const long long deadline = socket_api::NowMs() + timeoutMs;
  std::vector<ConnectAttempt> attempts;
  std::size_t next = 0;
  long long nextAt = socket_api::NowMs();
  long long nextAsk = nextAt + kWaitSliceMs;
  std::string lastFailure = "no address";
  for (;;) {
    const long long now = socket_api::NowMs();
    if (next < addresses.size() && (now >= nextAt || attempts.empty())) {
      const sockaddr_storage& address = addresses[next++];
      ConnectAttempt attempt{TcpSocket(NewStreamSocket(address.ss_family), waitSink),
                             socket_api::NowUs()};
      const ConnectStart started = StartConnect(attempt.socket.m_socket, address, &lastFailure);
      if (started == ConnectStart::kMade) return made(attempt);
      if (started == ConnectStart::kGoing) attempts.push_back(std::move(attempt));
      nextAt = started == ConnectStart::kGoing ? now + kNextAttemptAfterMs : now;
      continue;
    }
    if (attempts.empty()) {
      ThrowError(ERROR_INTERNET_CANNOT_CONNECT, "connect to " + host + ": " + lastFailure);
    }
    if (now >= deadline) ThrowError(ERROR_INTERNET_TIMEOUT, "connect to " + host + " timed out");
    if (now >= nextAsk) {
      AskToGoOn(waitSink, "the connection to the server");
      nextAsk = now + kWaitSliceMs;
    }
    const long long until =
        std::min({deadline, nextAsk, next < addresses.size() ? nextAt : deadline});
    const int ready = WaitForConnecting(attempts, until - now);
    if (ready < 0) continue;
    const auto done = attempts.begin() + ready;
    const int result = socket_api::ConnectOutcome(done->socket.m_socket);
    if (result == 0) return made(*done);
    // This one failed: the next address starts at once rather than after its delay.
    lastFailure = socket_api::ErrorText(result);
    attempts.erase(done);
    nextAt = now;
  }
}

TcpSocket TcpSocket::Listen(const sockaddr_storage& address) {
  sockaddr_storage local = address;
  if (local.ss_family == AF_INET6) {
    reinterpret_cast<sockaddr_in6&>(local).sin6_port = 0;
  } else {
    reinterpret_cast<sockaddr_in&>(local).sin_port = 0;
  }
  TcpSocket listener(NewStreamSocket(local.ss_family));
  if (socket_api::Bind(listener.m_socket, local) != 0) ThrowSystemError("bind");
  if (socket_api::Listen(listener.m_socket, 4) != 0) ThrowSystemError("listen");
  return listener;
}

TcpSocket TcpSocket::Accept(const sockaddr_storage& expectedPeer, int timeoutMs) {
  const long long deadline = socket_api::NowMs() + timeoutMs;
  for (;;) {
    if (!PollUntil(false, deadline, "the data connection")) {
      ThrowError(ERROR_INTERNET_TIMEOUT, "no data connection arrived");
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
    ThrowError(ERROR_INTERNET_TIMEOUT, std::string(what) + " timed out");
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

bool SameHost(const sockaddr_storage& a, const sockaddr_storage& b) {
  if (a.ss_family != AF_INET && a.ss_family != AF_INET6) return false;
  if (b.ss_family != AF_INET && b.ss_family != AF_INET6) return false;
  const in6_addr left = AsIpv6(a);
  const in6_addr right = AsIpv6(b);
  return std::memcmp(&left, &right, sizeof left) == 0;
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
