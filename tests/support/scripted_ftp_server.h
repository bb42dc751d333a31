// An FTP server for tests that answers from a table, so that replies no real server gives
// on demand (refusals, garbage, silence, drops) can be produced. It runs on its own thread
// on 127.0.0.1, really connects back for PORT and EPRT, and records every command.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ScriptedFtpServer {
 public:
  // Replies with these words do not send a reply: kSilence says nothing until the client
  // leaves, kHangUp closes the control connection.
  static constexpr const char* kSilence = "<silence>";
  static constexpr const char* kHangUp = "<hang up>";

  // Listens on the loopback address of `family` (AF_INET or AF_INET6), at `port` or one the
  // system chooses; Port() is 0 when the machine has no such address.
  explicit ScriptedFtpServer(int family = 2 /* AF_INET */, int port = 0);
  ~ScriptedFtpServer();

  int Port() const { return m_port; }

  // The reply the server gives `key` unless told otherwise.
  static std::string DefaultReply(const std::string& key);

  // The raw reply (line ends included) to every later `key`: a command verb, "GREETING",
  // or "RETR END" / "STOR END" for the reply after a transfer's data.
  void SetReply(const std::string& key, const std::string& raw);
  // The reply to the next `key` only; it goes before the table's.
  void SetNextReply(const std::string& key, const std::string& raw);
  // What RETR `name` sends.
  void SetFile(const std::string& name, const std::string& content);
  // RETR sends this many bytes, then drops both connections.
  void DropRetrieveAfter(std::size_t bytes);
  // Before the real data connection, one from 127.0.0.2 that sends `bytes`.
  void ConnectFromImpostorFirst(const std::string& bytes);
  // Only the connection from 127.0.0.2 is made.
  void ConnectOnlyFromImpostor();
  // Data moves at `bytes` every `intervalMs`, as RETR writes it and STOR reads it; the data
  // connection's receive buffer is as small as the system allows, so that what the kernel
  // acknowledges is what was read.
  void PaceData(std::size_t bytes, int intervalMs);
  // Seconds from the first to the last byte of the latest transfer's data.
  double DataSeconds() const;

  // Every command line received, without its line end.
  std::vector<std::string> Commands() const;
  // What STOR `name` received last; empty when nothing.
  std::string Stored(const std::string& name) const;
  // How many STOR of `name` ended.
  int StoreCount(const std::string& name) const;

 private:
  void Serve();
  void Session(int client);
  std::string TakeReply(const std::string& key);
  bool Send(int client, const std::string& raw);
  // A data connection to the latest PORT or EPRT address, from `fromAddress` if given;
  // -1 when it fails. A paced transfer gets the smallest receive buffer.
  int ConnectBack(const std::string& fromAddress, std::size_t paceBytes);
  void Transfer(int client, const std::string& verb, const std::string& name);

  int m_listener = -1;
  int m_port = 0;
  std::atomic<bool> m_stopping{false};
  std::thread m_thread;

  mutable std::mutex m_mutex;
  std::map<std::string, std::string> m_replies;
  std::map<std::string, std::vector<std::string>> m_nextReplies;
  std::map<std::string, std::string> m_files;
  std::map<std::string, std::string> m_stored;
  std::map<std::string, int> m_storeCounts;
  std::vector<std::string> m_commands;
  std::size_t m_dropAfter = std::string::npos;
  std::string m_impostorBytes;
  bool m_impostorFirst = false;
  bool m_onlyImpostor = false;
  std::size_t m_paceBytes = 0;
  int m_paceIntervalMs = 0;
  double m_dataSeconds = 0.0;

  // The data address of the latest PORT or EPRT.
  int m_dataFamily = 0;
  std::string m_dataHost;
  int m_dataPort = 0;
};
