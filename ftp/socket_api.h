// The system's stream sockets under one set of names: POSIX sockets, or Winsock 2. The FTP
// client's logic above this is the same on both.
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

// The error of the latest failed call, and what it means.
int LastError();
Failure Classify(int error);
std::string ErrorText(int error);

// The addresses of `host` of `family` (AF_UNSPEC: any) for a stream connection to `port`,
// in the order to try them; false with the resolver's words in `failure` (UTF-8) when it
// finds none. It may wait as long as the resolver does, unless `offline`: then it tells
// only what it knows without asking the network (an address literal), at once.
bool Resolve(const std::string& host, unsigned short port, int family, bool offline,
             std::vector<sockaddr_storage>* found, std::string* failure);

// A non-blocking stream socket that is not inherited by child processes; kNoSocket on
// failure.
SocketHandle NewStreamSocket(int family);
// A blocking datagram socket, not inherited either; kNoSocket on failure.
SocketHandle NewDatagramSocket(int family);
void Close(SocketHandle socket);
// Starts a connection: 0 when it is made at once, -1 with LastError otherwise (kInProgress
// or kWouldBlock while it goes on).
int Connect(SocketHandle socket, const sockaddr_storage& address);
// The outcome of a connection that went on: 0, or the error that ended it.
int ConnectOutcome(SocketHandle socket);
// bind and listen; 0, or -1 with LastError.
int Bind(SocketHandle socket, const sockaddr_storage& address);
int Listen(SocketHandle socket, int backlog);
// The socket's own address and its peer's; 0, or -1 with LastError.
int LocalAddress(SocketHandle socket, sockaddr_storage* address);
int PeerAddress(SocketHandle socket, sockaddr_storage* address);
// Accepts a waiting connection as a non-blocking socket; kNoSocket on failure.
SocketHandle Accept(SocketHandle listener, sockaddr_storage* peer);
// At most `size` bytes; the count, or -1 on failure. A closed peer never raises a signal.
long Send(SocketHandle socket, const void* data, std::size_t size);
long Receive(SocketHandle socket, void* buffer, std::size_t size);
// Ends what the socket sends (the peer reads its end) while the system still sends and
// counts what it holds; false on failure.
bool ShutdownSend(SocketHandle socket);
// Waits up to `timeoutMs` for the socket to be readable or writable: 1 when it is, 0 at the
// time-out, -1 on failure.
int Poll(SocketHandle socket, bool forWriting, int timeoutMs);
// Waits up to `timeoutMs` for one of the connecting `sockets` to be connected or failed: its
// index, -1 at the time-out, -2 on failure.
int PollConnecting(const std::vector<SocketHandle>& sockets, int timeoutMs);

// One socket of a wait on several: what it waits for, and once waited whether it is ready
// (readable or writable as asked, or closed or failed, which the next call tells).
struct PollEntry {
  SocketHandle socket = kNoSocket;
  bool forWriting = false;
  bool ready = false;
};
// Waits up to `timeoutMs` for any of `entries`: how many are ready (each marked), 0 at the
// time-out, -1 on failure.
int PollAny(std::vector<PollEntry>& entries, int timeoutMs);

// Bounds the data the system holds that has not gone onto the network yet, so that the
// socket reads as writable only below the bound; false where the system has no such bound.
bool LimitUnsent(SocketHandle socket, int bytes);
// Bounds the socket's send buffer, what it holds unsent and unacknowledged together; false
// on failure.
bool BoundSendBuffer(SocketHandle socket, int bytes);
// Sends each write at once instead of holding a short one back until the peer acknowledges
// the last (Nagle's algorithm); false on failure.
bool SendAtOnce(SocketHandle socket);

// The largest segment the connection sends; 0 when the system does not tell.
std::size_t SegmentSize(SocketHandle socket);

// What the system tells of the data handed to a socket: how much of it has not gone onto
// the network yet, and whether the peer has acknowledged all of it.
struct SendState {
  unsigned long long unsent = 0;
  unsigned long long unacknowledged = 0;  // the unsent too
  bool allAcknowledged = false;
};
// Fills `state` for the `written` bytes handed to the socket so far; false when the system
// cannot tell (Winsock before Windows 10 1703, Wine).
bool QuerySendState(SocketHandle socket, unsigned long long written, SendState* state);

// What the system tells of a connection's path: the round trip as the sender estimates it
// from its acknowledgements, the round trip as the receiver estimates it from TCP
// timestamps, and the bytes sent and sent again.
struct PathInfo {
  double sendRttMs = -1.0;           // negative: the system keeps none
  double receiveRttMs = -1.0;        // negative: none, as without TCP timestamps
  unsigned long long bytesSent = 0;  // retransmissions included
  unsigned long long bytesRetransmitted = 0;
};
// Fills `info`; false when the system tells nothing (Winsock before Windows 10 1703, Wine).
bool QueryPathInfo(SocketHandle socket, PathInfo* info);

// A monotonic clock in milliseconds, and one in microseconds for round trips; a pause that gives
// the processor to others for about `microseconds` (the system may round it up to its timer's
// step).
long long NowMs();
long long NowUs();
void Pause(int microseconds);

// The computer's interface that holds `local` (a connection's own end), with its kind and
// speed, and the counters of the interface named `name`.
CNetworkLink NetworkLinkOf(const sockaddr_storage& local);
CLinkCounters NetworkLinkCounters(const std::string& name);
// The home router on the local network, looked for from now on; none beyond a loopback, or
// where the system has no way to the local network's SSDP group (home_router_search.cpp).
std::unique_ptr<CHomeRouter> HomeRouterOf(const CNetworkLink& link);

}  // namespace socket_api
