// A TCP socket whose every wait ends at a time-out. Failures throw CInternetException.
// Writing to a connection that the peer closed raises an exception, never SIGPIPE.
#pragma once

#include <cstddef>
#include <string>

#include "ftp/socket_api.h"
#include "kernel/types.h"

class TcpSocket {
 public:
  TcpSocket() = default;
  TcpSocket(TcpSocket&& other) noexcept;
  TcpSocket& operator=(TcpSocket&& other) noexcept;
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;
  ~TcpSocket();

  // Connects to `host`:`port`, trying each of its addresses until `timeoutMs` runs out.
  static TcpSocket Connect(const std::string& host, INTERNET_PORT port, int timeoutMs);
  // Listens on `address` with a port the system chooses.
  static TcpSocket Listen(const sockaddr_storage& address);

  // Accepts the first connection whose address equals `expectedPeer` (port not compared);
  // connections from anywhere else are closed. Throws at the time-out.
  TcpSocket Accept(const sockaddr_storage& expectedPeer, int timeoutMs);

  // Sends every byte; throws when no byte can go for `timeoutMs`.
  void SendAll(const void* data, std::size_t size, int timeoutMs);
  // Receives at least one byte, at most `size`; 0 means the peer ended the stream.
  std::size_t Receive(void* buffer, std::size_t size, int timeoutMs);

  // Bounds what the kernel holds that has not gone onto the network yet, while what is on
  // its way may grow with the path. A system without such a bound keeps its own.
  void LimitUnsent(int bytes);
  // Waits until the kernel would take more data, that is until what was sent before has
  // gone onto the network but for the bound; throws after `timeoutMs`.
  void WaitUntilSent(int timeoutMs);
  // Waits until the peer has acknowledged every byte sent; throws after `timeoutMs`. Where
  // the system cannot tell (Winsock before Windows 10 1703, Wine), returns at once.
  void WaitUntilAcknowledged(int timeoutMs);
  void Close();

  bool IsOpen() const { return m_socket != kNoSocket; }
  sockaddr_storage LocalAddress() const;
  sockaddr_storage PeerAddress() const;

 private:
  explicit TcpSocket(SocketHandle socket) : m_socket(socket) {}
  void WaitFor(bool forWriting, int timeoutMs, const char* what) const;

  SocketHandle m_socket = kNoSocket;
  unsigned long long m_sentBytes = 0;
};

// True when both hold the same IP address (ports not compared); an IPv4-mapped IPv6
// address equals its IPv4 address.
bool SameHost(const sockaddr_storage& a, const sockaddr_storage& b);

// The numeric form of the address, and its port.
std::string AddressText(const sockaddr_storage& address);
INTERNET_PORT AddressPort(const sockaddr_storage& address);
