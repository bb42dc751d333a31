// TcpSocket::Connect and ConnectToAny (tcp_socket.h): the server's name looked up, then its
// addresses raced as RFC 8305 does.
#include <algorithm>
#include <vector>

#include "ftp/internet_exception.h"
#include "ftp/name_lookup.h"
#include "ftp/send_wait.h"
#include "ftp/socket_failure.h"
#include "ftp/tcp_socket.h"
#include "kernel/clock.h"

namespace {

using socket_api::Failure;

enum class ConnectStart { kMade, kGoing, kFailed };

// Starts a connection of `socket` to `address`; kFailed puts the system's words in `failure`.
ConnectStart StartConnect(CSocketLayer& sockets, SocketHandle socket,
                          const sockaddr_storage& address, std::string* failure) {
  if (sockets.Connect(socket, address) == 0) return ConnectStart::kMade;
  const int error = sockets.LastError();
  const Failure kind = sockets.Classify(error);
  if (kind == Failure::kInProgress || kind == Failure::kWouldBlock) return ConnectStart::kGoing;
  *failure = sockets.ErrorText(error);
  return ConnectStart::kFailed;
}

// One address's connection under way, and when it started (CClock::NowUs).
struct ConnectAttempt {
  TcpSocket socket;
  long long startUs;
};

// Waits up to `waitMs` for one of the `attempts`: its index, or -1 at the time-out or when a
// signal cut the wait short.
int WaitForConnecting(CSocketLayer& sockets, const std::vector<ConnectAttempt>& attempts,
                      long long waitMs) {
  std::vector<SocketHandle> handles;
  for (const ConnectAttempt& attempt : attempts) handles.push_back(attempt.socket.Handle());
  const int ready = sockets.PollConnecting(handles, static_cast<int>(std::max(0LL, waitMs)));
  if (ready == -2 && sockets.Classify(sockets.LastError()) != Failure::kInterrupted) {
    ThrowSystemError(sockets, "poll");
  }
  return ready < 0 ? -1 : ready;
}

}  // namespace

TcpSocket TcpSocket::Connect(const CEnvironment& env, const std::string& host, INTERNET_PORT port,
                             int family, int timeoutMs, CProgressSink* waitSink) {
  const long long deadline = env.clock.NowMs() + timeoutMs;
  const std::vector<sockaddr_storage> addresses =
      LookUpAddresses(env, host, port, family, deadline, waitSink);
  return ConnectToAny(env, addresses, host,
                      static_cast<int>(std::max(1LL, deadline - env.clock.NowMs())), waitSink);
}

TcpSocket TcpSocket::ConnectToAny(const CEnvironment& env,
                                  const std::vector<sockaddr_storage>& addresses,
                                  const std::string& host, int timeoutMs, CProgressSink* waitSink) {
  CSocketLayer& sockets = env.sockets;
  const auto made = [&env](ConnectAttempt& attempt) {
    attempt.socket.m_connectMs = (env.clock.NowUs() - attempt.startUs) / 1000.0;
    return std::move(attempt.socket);
  };
  const long long deadline = env.clock.NowMs() + timeoutMs;
  std::vector<ConnectAttempt> attempts;
  std::size_t next = 0;
  long long nextAt = env.clock.NowMs();
  long long nextAsk = nextAt + kWaitSliceMs;
  std::string lastFailure = "no address";
  for (;;) {
    const long long now = env.clock.NowMs();
    if (next < addresses.size() && (now >= nextAt || attempts.empty())) {
      const sockaddr_storage& address = addresses[next++];
      ConnectAttempt attempt{
          TcpSocket(env, NewStreamSocketOrThrow(sockets, address.ss_family), waitSink),
          env.clock.NowUs()};
      const ConnectStart started =
          StartConnect(sockets, attempt.socket.m_socket, address, &lastFailure);
      if (started == ConnectStart::kMade) return made(attempt);
      if (started == ConnectStart::kGoing) attempts.push_back(std::move(attempt));
      nextAt = started == ConnectStart::kGoing ? now + kNextConnectAfterMs : now;
      continue;
    }
    if (attempts.empty()) {
      ThrowSocketError(ERROR_INTERNET_CANNOT_CONNECT, "connect to " + host + ": " + lastFailure);
    }
    if (now >= deadline)
      ThrowSocketError(ERROR_INTERNET_TIMEOUT, "connect to " + host + " timed out");
    if (now >= nextAsk) {
      AskToGoOn(waitSink, "the connection to the server");
      nextAsk = now + kWaitSliceMs;
    }
    const long long until =
        std::min({deadline, nextAsk, next < addresses.size() ? nextAt : deadline});
    const int ready = WaitForConnecting(sockets, attempts, until - now);
    if (ready < 0) continue;
    const auto done = attempts.begin() + ready;
    const int result = sockets.ConnectOutcome(done->socket.m_socket);
    if (result == 0) return made(*done);
    // This one failed: the next address starts at once rather than after its delay.
    lastFailure = sockets.ErrorText(result);
    attempts.erase(done);
    nextAt = now;
  }
}
