#include "tests/support/scripted_ftp_server.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "tests/support/ftp_replies.h"
#include "tests/support/test_sockets.h"

namespace {

// Waits until `fd` is readable or the server stops; false when it stops.
bool WaitReadable(int fd, const std::atomic<bool>& stopping) {
  while (!stopping) {
    pollfd entry{};
    entry.fd = fd;
    entry.events = POLLIN;
    if (TestPoll(&entry, 1, 50) > 0) return true;
  }
  return false;
}

// One line from the client, without its line end; false when the client has gone.
bool ReadLine(int fd, std::string* buffer, std::string* line, const std::atomic<bool>& stopping) {
  for (;;) {
    const std::size_t end = buffer->find("\r\n");
    if (end != std::string::npos) {
      *line = buffer->substr(0, end);
      buffer->erase(0, end + 2);
      return true;
    }
    if (!WaitReadable(fd, stopping)) return false;
    char chunk[1024];
    const ssize_t n = TestRecv(fd, chunk, sizeof chunk, 0);
    if (n <= 0) return false;
    buffer->append(chunk, static_cast<std::size_t>(n));
  }
}

const std::map<std::string, std::string, std::less<>>& DefaultReplies() {
  return WellBehavedFtpReplies();
}

}  // namespace

ScriptedFtpServer::ScriptedFtpServer(int family, int port) {
  m_replies.insert(DefaultReplies().begin(), DefaultReplies().end());
  m_listener = TestSocket(family);
  sockaddr_storage address{};
  socklen_t length;
  if (family == AF_INET6) {
    auto& ipv6 = reinterpret_cast<sockaddr_in6&>(address);
    ipv6.sin6_family = AF_INET6;
    ipv6.sin6_addr = in6addr_loopback;
    length = sizeof ipv6;
  } else {
    auto& ipv4 = reinterpret_cast<sockaddr_in&>(address);
    ipv4.sin_family = AF_INET;
    ipv4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ipv4.sin_port = htons(static_cast<uint16_t>(port));
    length = sizeof ipv4;
  }
  const int reuse = 1;
#ifndef _WIN32  // there it would let two servers share the port
  if (m_listener >= 0) ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
#else
  (void)reuse;
#endif
  if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0) {
    if (family == AF_INET6) return;
    throw std::runtime_error("scripted server cannot listen");
  }
  if (::listen(m_listener, 4) != 0 ||
      ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("scripted server cannot listen");
  }
  m_port = family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6&>(address).sin6_port)
                              : ntohs(reinterpret_cast<sockaddr_in&>(address).sin_port);
  m_dataFamily = family;
  m_thread = std::thread([this] { Serve(); });
}

ScriptedFtpServer::~ScriptedFtpServer() {
  m_stopping = true;
  if (m_thread.joinable()) m_thread.join();
  if (m_listener >= 0) CloseSocket(m_listener);
}

std::string ScriptedFtpServer::DefaultReply(const std::string& key) {
  const auto found = DefaultReplies().find(key);
  return found == DefaultReplies().end() ? std::string() : found->second;
}

void ScriptedFtpServer::SetReply(const std::string& key, const std::string& raw) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_replies[key] = raw;
}

void ScriptedFtpServer::SetNextReply(const std::string& key, const std::string& raw) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_nextReplies[key].push_back(raw);
}

void ScriptedFtpServer::SetFile(const std::string& name, const std::string& content) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_files[name] = content;
}

void ScriptedFtpServer::DropRetrieveAfter(std::size_t bytes) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_dropAfter = bytes;
}

void ScriptedFtpServer::ConnectFromImpostorFirst(const std::string& bytes) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_impostorFirst = true;
  m_impostorBytes = bytes;
}

void ScriptedFtpServer::ConnectOnlyFromImpostor() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_onlyImpostor = true;
}

void ScriptedFtpServer::PaceData(std::size_t bytes, int intervalMs) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_paceBytes = bytes;
  m_paceIntervalMs = intervalMs;
}

double ScriptedFtpServer::DataSeconds() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_dataSeconds;
}

std::vector<std::string> ScriptedFtpServer::Commands() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_commands;
}

std::string ScriptedFtpServer::Stored(const std::string& name) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  const auto found = m_stored.find(name);
  return found == m_stored.end() ? std::string() : found->second;
}

int ScriptedFtpServer::StoreCount(const std::string& name) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  const auto found = m_storeCounts.find(name);
  return found == m_storeCounts.end() ? 0 : found->second;
}

std::string ScriptedFtpServer::TakeReply(const std::string& key) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto next = m_nextReplies.find(key);
  if (next != m_nextReplies.end() && !next->second.empty()) {
    std::string raw = next->second.front();
    next->second.erase(next->second.begin());
    return raw;
  }
  const auto found = m_replies.find(key);
  return found == m_replies.end() ? "502 command not implemented\r\n" : found->second;
}

bool ScriptedFtpServer::Send(int client, const std::string& raw) {
  if (raw == kHangUp) return false;
  if (raw == kSilence) {
    char sink[256];
    while (WaitReadable(client, m_stopping) && TestRecv(client, sink, sizeof sink, 0) > 0) {
    }
    return false;
  }
  return TestSend(client, raw.data(), raw.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(raw.size());
}

void ScriptedFtpServer::Serve() {
  while (WaitReadable(m_listener, m_stopping)) {
    const int client = TestAccept(m_listener);
    if (client < 0) continue;
    Session(client);
    CloseSocket(client);
  }
}

void ScriptedFtpServer::Session(int client) {
  if (!Send(client, TakeReply("GREETING"))) return;
  std::string buffer;
  std::string line;
  while (ReadLine(client, &buffer, &line, m_stopping)) {
    const std::size_t space = line.find(' ');
    const std::string verb = line.substr(0, space);
    const std::string argument = space == std::string::npos ? "" : line.substr(space + 1);
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_commands.push_back(line);
    }
    if (verb == "PORT") {
      unsigned h[4], p[2];
      if (std::sscanf(argument.c_str(), "%u,%u,%u,%u,%u,%u", &h[0], &h[1], &h[2], &h[3], &p[0],
                      &p[1]) == 6) {
        m_dataFamily = AF_INET;
        m_dataHost = std::to_string(h[0]) + "." + std::to_string(h[1]) + "." +
                     std::to_string(h[2]) + "." + std::to_string(h[3]);
        m_dataPort = static_cast<int>(p[0] * 256 + p[1]);
      }
    } else if (verb == "EPRT" && argument.size() > 3) {
      const char delimiter = argument[0];
      const std::size_t hostStart = argument.find(delimiter, 1) + 1;
      const std::size_t portStart = argument.find(delimiter, hostStart) + 1;
      m_dataFamily = argument[1] == '2' ? AF_INET6 : AF_INET;
      m_dataHost = argument.substr(hostStart, portStart - 1 - hostStart);
      m_dataPort = std::atoi(argument.c_str() + portStart);
    }
    const std::string reply = TakeReply(verb);
    if (!Send(client, reply)) return;
    if (verb == "QUIT") return;
    if ((verb == "RETR" || verb == "STOR") && reply.size() > 0 && reply[0] == '1') {
      Transfer(client, verb, argument);
      if (!Send(client, TakeReply(verb + " END"))) return;
    }
  }
}

int ScriptedFtpServer::ConnectBack(const std::string& fromAddress, std::size_t paceBytes) {
  const int fd = TestSocket(m_dataFamily);
  if (paceBytes > 0) {
    const int smallest = 1;  // the kernel raises it to its minimum
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&smallest),
                 sizeof smallest);
  }
  if (!fromAddress.empty()) {
    sockaddr_in source{};
    source.sin_family = AF_INET;
    inet_pton(AF_INET, fromAddress.c_str(), &source.sin_addr);
    ::bind(fd, reinterpret_cast<sockaddr*>(&source), sizeof source);
  }
  sockaddr_storage target{};
  socklen_t length;
  if (m_dataFamily == AF_INET6) {
    auto& ipv6 = reinterpret_cast<sockaddr_in6&>(target);
    ipv6.sin6_family = AF_INET6;
    ipv6.sin6_port = htons(static_cast<uint16_t>(m_dataPort));
    inet_pton(AF_INET6, m_dataHost.c_str(), &ipv6.sin6_addr);
    length = sizeof ipv6;
  } else {
    auto& ipv4 = reinterpret_cast<sockaddr_in&>(target);
    ipv4.sin_family = AF_INET;
    ipv4.sin_port = htons(static_cast<uint16_t>(m_dataPort));
    inet_pton(AF_INET, m_dataHost.c_str(), &ipv4.sin_addr);
    length = sizeof ipv4;
  }
  if (::connect(fd, reinterpret_cast<sockaddr*>(&target), length) != 0) {
    CloseSocket(fd);
    return -1;
  }
  return fd;
}

void ScriptedFtpServer::Transfer(int client, const std::string& verb, const std::string& name) {
  bool impostorFirst, onlyImpostor;
  std::string impostorBytes;
  std::size_t paceBytes;
  std::chrono::milliseconds paceInterval;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    impostorFirst = m_impostorFirst;
    onlyImpostor = m_onlyImpostor;
    impostorBytes = m_impostorBytes;
    paceBytes = m_paceBytes;
    paceInterval = std::chrono::milliseconds(m_paceIntervalMs);
  }
  if (impostorFirst || onlyImpostor) {
    const int impostor = ConnectBack("127.0.0.2", 0);
    if (impostor >= 0) {
      TestSend(impostor, impostorBytes.data(), impostorBytes.size(), MSG_NOSIGNAL);
      CloseSocket(impostor);
    }
    if (onlyImpostor) {
      WaitReadable(client, m_stopping);
      return;
    }
  }
  const int data = ConnectBack("", paceBytes);
  if (data < 0) return;
  const auto start = std::chrono::steady_clock::now();
  auto last = start;
  if (verb == "RETR") {
    std::string content;
    std::size_t dropAfter;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      content = m_files[name];
      dropAfter = m_dropAfter;
    }
    const std::size_t size = std::min(content.size(), dropAfter);
    const std::size_t piece = paceBytes > 0 ? paceBytes : std::max<std::size_t>(size, 1);
    for (std::size_t sent = 0; sent < size; sent += piece) {
      if (sent > 0) std::this_thread::sleep_for(paceInterval);
      TestSend(data, content.data() + sent, std::min(piece, size - sent), MSG_NOSIGNAL);
    }
    last = std::chrono::steady_clock::now();
    if (dropAfter != std::string::npos) {
      CloseSocket(data);
      ::shutdown(client, SHUT_RDWR);
      return;
    }
  } else {
    std::string received;
    char chunk[65536];
    while (WaitReadable(data, m_stopping)) {
      if (paceBytes > 0 && !received.empty()) std::this_thread::sleep_for(paceInterval);
      const ssize_t n = paceBytes > 0 ? TestRecv(data, chunk, paceBytes, MSG_WAITALL)
                                      : TestRecv(data, chunk, sizeof chunk, 0);
      if (n <= 0) break;
      last = std::chrono::steady_clock::now();
      received.append(chunk, static_cast<std::size_t>(n));
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stored[name] = received;
    ++m_storeCounts[name];
  }
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_dataSeconds = std::chrono::duration<double>(last - start).count();
  }
  CloseSocket(data);
}
