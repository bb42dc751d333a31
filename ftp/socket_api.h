// Stream sockets behind one interface (CSocketLayer): the system's, POSIX sockets or Winsock 2,
// or a test's in memory. The FTP client's logic above it is the same on all of them.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
// Windows names its own functions so; the FTP connection has methods of these names.
#undef GetCurrentDirectory
#undef SetCurrentDirectory
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "kernel/home_router.h"
#include "kernel/network_link.h"

#ifdef _WIN32
using SocketHandle = SOCKET;
inline constexpr SocketHandle kNoSocket = INVALID_SOCKET;
#else
using SocketHandle = int;
inline constexpr SocketHandle kNoSocket = -1;
#endif

namespace socket_api {

// What a failed call means to the caller.
enum class Failure { kWouldBlock, kInProgress, kInterrupted, kReset, kRefused, kOther };

// One socket of a wait on several: what it waits for, and once waited whether it is ready
// (readable or writable as asked, or closed or failed, which the next call tells).
struct PollEntry {
  SocketHandle socket = kNoSocket;
  bool forWriting = false;
  bool ready = false;
};

// What the system tells of the data handed to a socket: how much of it has not gone onto
// the network yet, and whether the peer has acknowledged all of it.
struct SendState {
  unsigned long long unsent = 0;
  unsigned long long unacknowledged = 0;  // the unsent too
  bool allAcknowledged = false;
};

// What the system tells of a connection's path: the round trip as the sender estimates it
// from its acknowledgements, the round trip as the receiver estimates it from TCP
// timestamps, and the bytes sent and sent again.
struct PathInfo {
  double sendRttMs = -1.0;           // negative: the system keeps none
  double receiveRttMs = -1.0;        // negative: none, as without TCP timestamps
  unsigned long long bytesSent = 0;  // retransmissions included
  unsigned long long bytesRetransmitted = 0;
};

}  // namespace socket_api

// The system's stream sockets, or a test's in their place: everything the FTP client asks of the
// network goes through one of these, handed down to it (ftp/environment.h).
class CSocketLayer {
 public:
  using Failure = socket_api::Failure;
  using PollEntry = socket_api::PollEntry;
  using SendState = socket_api::SendState;
  using PathInfo = socket_api::PathInfo;

  virtual ~CSocketLayer() = default;

  // The error of the latest failed call, and what it means.
  virtual int LastError() = 0;
  virtual Failure Classify(int error) = 0;
  virtual std::string ErrorText(int error) = 0;

  // The addresses of `host` of `family` (AF_UNSPEC: any) for a stream connection to `port`,
  // in the order to try them; false with the resolver's words in `failure` (UTF-8) when it
  // finds none. It may wait as long as the resolver does, unless `offline`: then it tells
  // only what it knows without asking the network (an address literal), at once.
  virtual bool Resolve(const std::string& host, unsigned short port, int family, bool offline,
                       std::vector<sockaddr_storage>* found, std::string* failure) = 0;

  // A non-blocking stream socket that is not inherited by child processes; kNoSocket on
  // failure.
  virtual SocketHandle NewStreamSocket(int family) = 0;
  // A blocking datagram socket, not inherited either; kNoSocket on failure.
  virtual SocketHandle NewDatagramSocket(int family) = 0;
  virtual void Close(SocketHandle socket) = 0;
  // Starts a connection: 0 when it is made at once, -1 with LastError otherwise (kInProgress
  // or kWouldBlock while it goes on).
  virtual int Connect(SocketHandle socket, const sockaddr_storage& address) = 0;
  // The outcome of a connection that went on: 0, or the error that ended it.
  virtual int ConnectOutcome(SocketHandle socket) = 0;
  // bind and listen; 0, or -1 with LastError.
  virtual int Bind(SocketHandle socket, const sockaddr_storage& address) = 0;
  virtual int Listen(SocketHandle socket, int backlog) = 0;
  // The socket's own address and its peer's; 0, or -1 with LastError.
  virtual int LocalAddress(SocketHandle socket, sockaddr_storage* address) = 0;
  virtual int PeerAddress(SocketHandle socket, sockaddr_storage* address) = 0;
  // Accepts a waiting connection as a non-blocking socket; kNoSocket on failure.
  virtual SocketHandle Accept(SocketHandle listener, sockaddr_storage* peer) = 0;
  // At most `size` bytes; the count, or -1 on failure. A closed peer never raises a signal.
  virtual long Send(SocketHandle socket, const void* data, std::size_t size) = 0;
  virtual long Receive(SocketHandle socket, void* buffer, std::size_t size) = 0;
  // Ends what the socket sends (the peer reads its end) while the system still sends and
  // counts what it holds; false on failure.
  virtual bool ShutdownSend(SocketHandle socket) = 0;
  // Waits up to `timeoutMs` for the socket to be readable or writable: 1 when it is, 0 at the
  // time-out, -1 on failure.
  virtual int Poll(SocketHandle socket, bool forWriting, int timeoutMs) = 0;
  // Waits up to `timeoutMs` for one of the connecting `sockets` to be connected or failed: its
  // index, -1 at the time-out, -2 on failure.
  virtual int PollConnecting(const std::vector<SocketHandle>& sockets, int timeoutMs) = 0;

  // Waits up to `timeoutMs` for any of `entries`: how many are ready (each marked), 0 at the
  // time-out, -1 on failure.
  virtual int PollAny(std::vector<PollEntry>& entries, int timeoutMs) = 0;

  // Bounds the data the system holds that has not gone onto the network yet, so that the
  // socket reads as writable only below the bound; false where the system has no such bound.
  virtual bool LimitUnsent(SocketHandle socket, int bytes) = 0;
  // Bounds the socket's send buffer, what it holds unsent and unacknowledged together; false
  // on failure.
  virtual bool BoundSendBuffer(SocketHandle socket, int bytes) = 0;
  // Sends each write at once instead of holding a short one back until the peer acknowledges
  // the last (Nagle's algorithm); false on failure.
  virtual bool SendAtOnce(SocketHandle socket) = 0;

  // The largest segment the connection sends; 0 when the system does not tell.
  virtual std::size_t SegmentSize(SocketHandle socket) = 0;

  // Fills `state` for the `written` bytes handed to the socket so far; false when the system
  // cannot tell (Winsock before Windows 10 1703, Wine).
  virtual bool QuerySendState(SocketHandle socket, unsigned long long written,
                              SendState* state) = 0;

  // Fills `info`; false when the system tells nothing (Winsock before Windows 10 1703, Wine).
  virtual bool QueryPathInfo(SocketHandle socket, PathInfo* info) = 0;

  // The computer's interface that holds `local` (a connection's own end), with its kind and
  // speed, and the counters of the interface named `name`: the system's, on every platform,
  // unless a network of a test's own knows none.
  virtual CNetworkLink NetworkLinkOf(const sockaddr_storage& local);
  virtual CLinkCounters NetworkLinkCounters(const std::string& name);
};

// The home router on the local network, looked for from now on; none beyond a loopback, or
// where the system has no way to the local network's SSDP group (home_router_search.cpp).
std::unique_ptr<CHomeRouter> HomeRouterOf(CSocketLayer& sockets, const CNetworkLink& link);

// The system's own sockets.
CSocketLayer& SystemSockets();
