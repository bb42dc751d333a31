// A TCP socket whose every wait ends at a time-out. Failures throw CInternetException.
// Writing to a connection that the peer closed raises an exception, never SIGPIPE. A wait
// runs in slices of at most kWaitSliceMs, between which the socket's wait sink, if any, may
// pump the window and stop the wait (ERROR_INTERNET_OPERATION_CANCELLED).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ftp/environment.h"
#include "ftp/socket_api.h"
#include "kernel/types.h"

class CProgressSink;

// While one address's connection is under way, the next starts this long after it.
inline constexpr long long kNextConnectAfterMs = 250;

class TcpSocket {
 public:
  TcpSocket() = default;
  TcpSocket(TcpSocket&& other) noexcept;
  TcpSocket& operator=(TcpSocket&& other) noexcept;
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;
  ~TcpSocket();

  // Looks `host` up (addresses of `family`; AF_UNSPEC: any) and connects to `host`:`port`
  // through ConnectToAny, all within `timeoutMs`. `waitSink` (may be null) is asked between
  // slices, the lookup's too, and stays the new socket's.
  static TcpSocket Connect(const CEnvironment& env, const std::string& host, INTERNET_PORT port,
                           int family, int timeoutMs, CProgressSink* waitSink);
  // Connects to the first of `addresses` that answers, as RFC 8305 does: in their order,
  // each started kNextConnectAfterMs after the one before or at once when that one fails; the
  // first connection made wins and the others are closed. Throws when all fail or at
  // `timeoutMs`.
  static TcpSocket ConnectToAny(const CEnvironment& env,
                                const std::vector<sockaddr_storage>& addresses,
                                const std::string& host, int timeoutMs, CProgressSink* waitSink);
  // Takes charge of `socket`, one that its owner drives itself without waits (a connection
  // it polls among others): closed with the result.
  static TcpSocket Adopt(const CEnvironment& env, SocketHandle socket) {
    return TcpSocket(env, socket);
  }
  // Listens on `address` with a port the system chooses.
  static TcpSocket Listen(const CEnvironment& env, const sockaddr_storage& address);

  // How long the TCP connect of Connect took, in milliseconds: one round trip.
  double ConnectMs() const { return m_connectMs; }

  // Asked between the slices of every later wait; null asks nobody.
  void SetWaitSink(CProgressSink* sink) { m_pWaitSink = sink; }
  CProgressSink* WaitSink() const { return m_pWaitSink; }

  // Accepts the first connection whose address equals `expectedPeer` (port not compared);
  // connections from anywhere else are closed. Throws at the time-out. The accepted socket
  // has this one's wait sink.
  TcpSocket Accept(const sockaddr_storage& expectedPeer, int timeoutMs);

  // Sends every byte; throws when no byte can go for `timeoutMs`.
  void SendAll(const void* data, std::size_t size, int timeoutMs);
  // Receives at least one byte, at most `size`; 0 means the peer ended the stream.
  std::size_t Receive(void* buffer, std::size_t size, int timeoutMs);

  // For a stream whose writes are timed: each goes out at once, without waiting for the
  // acknowledgement of the last (no Nagle), and what has not gone onto the network yet is
  // bounded by `unsentBytes`, while what is on its way may grow with the path.
  void PaceWrites(int unsentBytes);
  // Waits until what was sent before has gone onto the network but for the bound; throws
  // after `timeoutMs`. Where the system cannot tell, returns at once.
  void WaitUntilSent(int timeoutMs);
  // Waits until the peer has acknowledged every byte sent; throws after `timeoutMs`. False
  // at once where the system cannot tell (Winsock before Windows 10 1703, Wine).
  bool WaitUntilAcknowledged(int timeoutMs);
  void Close();
  // The largest segment the connection sends, 0 when the system does not tell.
  std::size_t SegmentSize() const;
  // What the system tells of the connection's path; false when it tells nothing.
  bool QueryPath(socket_api::PathInfo* info) const;

  // The clocks, sockets and files it was made with; null for a socket never made.
  const CEnvironment* Environment() const { return m_pEnv; }
  bool IsOpen() const { return m_socket != kNoSocket; }
  // The system's socket, for a wait on several at once.
  SocketHandle Handle() const { return m_socket; }
  sockaddr_storage LocalAddress() const;
  sockaddr_storage PeerAddress() const;

 private:
  class Probe;

  TcpSocket(const CEnvironment& env, SocketHandle socket, CProgressSink* waitSink = nullptr)
      : m_pEnv(&env), m_socket(socket), m_pWaitSink(waitSink) {}
  CSocketLayer& Sockets() const { return m_pEnv->sockets; }
  // Waits until the socket is ready or `deadline` passes; false at the time-out.
  bool PollUntil(bool forWriting, long long deadline, const char* what) const;
  void WaitFor(bool forWriting, int timeoutMs, const char* what) const;

  const CEnvironment* m_pEnv = nullptr;
  SocketHandle m_socket = kNoSocket;
  CProgressSink* m_pWaitSink = nullptr;
  unsigned long long m_sentBytes = 0;
  double m_connectMs = -1.0;
  int m_unsentBound = 0;  // 0: unbounded
  bool m_systemBoundsUnsent = false;
};
