// The FTP transfer subsystem against a scripted server: what no real server does on demand.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "ftp/ftp_client.h"
#include "ftp/socket_address.h"
#include "ftp/socket_api.h"
#include "ftp/tcp_socket.h"
#include "tests/support/file_contents.h"
#include "tests/support/ftp_failure.h"
#include "tests/support/recording_sink.h"
#include "tests/support/scripted_ftp_server.h"
#include "tests/support/scripted_tick_clock.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr int kShortTimeoutMs = 400;

class ScriptedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InternetTimeouts timeouts;
    timeouts.connectMs = timeouts.replyMs = timeouts.dataAcceptMs = timeouts.dataIoMs =
        kShortTimeoutMs;
    client.Session().SetTimeouts(timeouts);
  }

  void LogIn() { client.Connect("127.0.0.1", "anonymous", "ip@lumvik.dk", false, Port()); }
  FtpFailure LogInFailure() {
    return FailureOf([&] { LogIn(); });
  }
  INTERNET_PORT Port() const { return static_cast<INTERNET_PORT>(server.Port()); }
  std::string Local(const std::string& name) const { return dir.File(name); }

  TempDir dir{"lumvik-scripted"};
  ScriptedFtpServer server;
  RecordingSink sink;
  CFtpClient client{&sink};
};

std::string Pattern(std::size_t size) {
  std::string content(size, '\0');
  for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<char>(i * 7 + i / 251);
  return content;
}

TEST_F(ScriptedTest, WholeDownloadAndUploadSendExactlyTheseCommands) {
  server.SetFile("200Ktest.rnd", Pattern(8192));
  LogIn();
  client.Download("/pub/", "200Ktest.rnd", Local("200Ktest.rnd"));
  client.Upload(Local("200Ktest.rnd"), "/pub/upload/", "200Ktest.rnd");
  client.Logoff();

  std::vector<std::string> commands = server.Commands();
  ASSERT_EQ(commands.size(), 12u);
  for (std::size_t i : {5u, 9u}) {
    EXPECT_EQ(commands[i].rfind("PORT 127,0,0,1,", 0), 0u) << commands[i];
    commands[i] = "PORT";
  }
  EXPECT_EQ(commands,
            (std::vector<std::string>{"USER anonymous", "PASS ip@lumvik.dk", "PWD", "CWD /pub/",
                                      "TYPE I", "PORT", "RETR 200Ktest.rnd", "CWD /pub/upload/",
                                      "TYPE I", "PORT", "STOR 200Ktest.rnd", "QUIT"}));
  EXPECT_EQ(server.Stored("200Ktest.rnd"), Pattern(8192));
}

TEST_F(ScriptedTest, DownloadOfOneByteMoreThanAChunkAndOfAnEmptyFile) {
  server.SetFile("4097.rnd", Pattern(4097));
  server.SetFile("empty.rnd", "");
  LogIn();

  client.Download("/pub/", "4097.rnd", Local("4097.rnd"));
  EXPECT_EQ(sink.Bytes(), (std::vector<DWORD>{4096, 4097}));
  EXPECT_EQ(ReadWholeFile(Local("4097.rnd")), Pattern(4097));

  sink.reports.clear();
  WriteWholeFile(Local("empty.rnd"), "old content");
  client.Download("/pub/", "empty.rnd", Local("empty.rnd"));
  EXPECT_EQ(sink.Bytes(), std::vector<DWORD>{0});
  EXPECT_TRUE(FileExists(Local("empty.rnd")));
  EXPECT_EQ(ReadWholeFile(Local("empty.rnd")), "");
}

TEST_F(ScriptedTest, UploadSendsTheShortLastChunkAndNothingForAnEmptyFile) {
  WriteWholeFile(Local("4097.rnd"), Pattern(4097));
  WriteWholeFile(Local("8192.rnd"), Pattern(8192));
  WriteWholeFile(Local("empty.rnd"), "");
  LogIn();

  client.Upload(Local("4097.rnd"), "/pub/upload/", "4097.rnd");
  EXPECT_EQ(sink.Bytes(), (std::vector<DWORD>{4096, 4097}));
  EXPECT_EQ(server.Stored("4097.rnd"), Pattern(4097));

  sink.reports.clear();
  client.Upload(Local("8192.rnd"), "/pub/upload/", "8192.rnd");
  EXPECT_EQ(sink.Bytes(), (std::vector<DWORD>{4096, 8192}));
  EXPECT_EQ(server.Stored("8192.rnd"), Pattern(8192));

  sink.reports.clear();
  client.Upload(Local("empty.rnd"), "/pub/upload/", "empty.rnd");
  EXPECT_TRUE(sink.reports.empty());
  EXPECT_EQ(server.StoreCount("empty.rnd"), 1);
  EXPECT_EQ(server.Stored("empty.rnd"), "");
}

DWORD g_tick = 0;
DWORD SteppingTick() {
  const DWORD now = g_tick;
  g_tick += 10;
  return now;
}

// Each pass reads the clock twice: the interval ends at the first reading and the next
// one starts at the second, so with a clock that steps 10 ms per reading every chunk
// counts 10 ms, across the counter's wrap too.
TEST_F(ScriptedTest, ElapsedSecondsSumTickIntervalsAcrossTheWrap) {
  server.SetFile("12288.rnd", Pattern(12288));
  WriteWholeFile(Local("up.rnd"), Pattern(12288));
  const ScriptedTickClock stepping(&SteppingTick);
  CFtpClient timed(&sink, stepping.Environment());
  timed.Connect("127.0.0.1", "anonymous", "ip@lumvik.dk", false, Port());
  g_tick = 0xFFFFFFF0u;
  timed.Download("/pub/", "12288.rnd", Local("12288.rnd"));
  g_tick = 0xFFFFFFE0u;
  timed.Upload(Local("up.rnd"), "/pub/upload/", "up.rnd");

  ASSERT_EQ(sink.reports.size(), 7u);
  const double expected[] = {0.01, 0.02, 0.03, 0.04, 0.01, 0.02, 0.03};
  for (std::size_t i = 0; i < 7; ++i) EXPECT_DOUBLE_EQ(sink.reports[i].second, expected[i]) << i;
}

// The time of a transfer is the receiver's: a server that takes the data at 2 KiB every
// 10 ms is measured at its own pace, in both directions. An upload timed only until its
// last piece has left the program reads far faster than the server took it.
TEST_F(ScriptedTest, TransferTimeFollowsAServerThatMovesTheDataSlowly) {
  constexpr std::size_t kSize = 32 * 1024;
  server.SetFile("slow.rnd", Pattern(kSize));
  server.PaceData(2048, 10);
  InternetTimeouts timeouts;  // the server's own pace is slower than the others' time-outs
  client.Session().SetTimeouts(timeouts);
  LogIn();
  client.Download("/pub/", "slow.rnd", Local("slow.rnd"));
  const double serverDownload = server.DataSeconds();
  ASSERT_FALSE(sink.reports.empty());
  const double download = sink.reports.back().second;
  client.Upload(Local("slow.rnd"), "/pub/upload/", "slow.rnd");
  const double serverUpload = server.DataSeconds();
  const double upload = sink.reports.back().second;

  EXPECT_EQ(server.Stored("slow.rnd"), Pattern(kSize));
  ASSERT_GT(serverDownload, 0.1);
  ASSERT_GT(serverUpload, 0.1);
  EXPECT_NEAR(download / serverDownload, 1.0, 0.15) << download << " s vs " << serverDownload;
  if (sink.notes.empty()) {
    EXPECT_NEAR(upload / serverUpload, 1.0, 0.15) << upload << " s vs " << serverUpload;
  } else {
    // A system that cannot tell when the server has the data (Wine, Windows before 10
    // 1703): the time ends at the last write, and the log says so.
    EXPECT_EQ(sink.notes.size(), 1u);
    EXPECT_LT(upload, serverUpload);
  }

  // At full speed an upload takes what the server takes to receive it: no write waits for
  // the acknowledgement of the one before, which a receiver delays by up to 40 ms.
  server.PaceData(0, 0);
  WriteWholeFile(Local("small.rnd"), Pattern(204800));
  for (int i = 0; i < 5; ++i) {
    client.Upload(Local("small.rnd"), "/pub/upload/", "small.rnd");
    const double extra = sink.reports.back().second - server.DataSeconds();
    EXPECT_LT(extra, 0.015) << "upload " << i << " took " << sink.reports.back().second << " s";
  }
}

TEST_F(ScriptedTest, RefusedRemoteFileIsCode8Or9ButABrokenDialogueIsCode0) {
  WriteWholeFile(Local("up.rnd"), Pattern(100));
  LogIn();
  server.SetNextReply("RETR", "550 no such file\r\n");
  const FtpFailure download = FailureOf([&] { client.Download("/pub/", "x.rnd", Local("x")); });
  EXPECT_EQ(download.code, 8);
  EXPECT_EQ(download.message, "Unable to open remote file x.rnd");

  server.SetNextReply("STOR", "553 not allowed\r\n");
  const FtpFailure refused =
      FailureOf([&] { client.Upload(Local("up.rnd"), "/pub/upload/", "up.rnd"); });
  EXPECT_EQ(refused.code, 9);
  EXPECT_EQ(refused.message, "Unable to open remote file up.rnd for writing");

  server.SetNextReply("PORT", "500 no active mode here\r\n");
  EXPECT_EQ(FailureOf([&] { client.Upload(Local("up.rnd"), "/pub/upload/", "up.rnd"); }).code, 9);

  server.SetNextReply("STOR", ScriptedFtpServer::kHangUp);
  const FtpFailure dropped =
      FailureOf([&] { client.Upload(Local("up.rnd"), "/pub/upload/", "up.rnd"); });
  EXPECT_EQ(dropped.code, 0);
  EXPECT_EQ(dropped.message, "An unknown error occured");
}

TEST_F(ScriptedTest, RefusalAfterTheUploadedDataIsAFailure) {
  WriteWholeFile(Local("up.rnd"), Pattern(5000));
  LogIn();
  server.SetNextReply("STOR END", "452 disk full\r\n");
  EXPECT_EQ(FailureOf([&] { client.Upload(Local("up.rnd"), "/pub/upload/", "up.rnd"); }).code, 0);
  client.Upload(Local("up.rnd"), "/pub/upload/", "up.rnd");
  EXPECT_EQ(server.StoreCount("up.rnd"), 2);
}

TEST_F(ScriptedTest, LogInRefusals) {
  server.SetNextReply("GREETING", "421 too many users\r\n");
  FtpFailure failure = LogInFailure();
  EXPECT_EQ(failure.code, 1);
  EXPECT_EQ(failure.message, "Cannot login to the server 127.0.0.1");

  server.SetNextReply("PASS", "530 login incorrect\r\n");
  EXPECT_EQ(LogInFailure().code, 1);

  server.SetNextReply("USER", "332 need account\r\n");
  EXPECT_EQ(LogInFailure().code, 1);

  EXPECT_EQ(FailureOf([&] { client.Connect("127.0.0.1", "a\r\nDELE x", "p", false, Port()); }).code,
            1);
  for (const std::string& command : server.Commands()) {
    EXPECT_EQ(command.find("DELE"), std::string::npos) << command;
  }
  EXPECT_EQ(FailureOf([&] { client.Connect("127.0.0.1", "a", "p", true, Port()); }).code, 1);
}

TEST_F(ScriptedTest, DelayedGreetingAndLogInWithoutPassword) {
  server.SetNextReply("GREETING", "120 ready in a moment\r\n220 ready\r\n");
  server.SetNextReply("USER", "230 no password needed\r\n");
  LogIn();
  EXPECT_EQ(server.Commands(), (std::vector<std::string>{"USER anonymous", "PWD"}));
}

TEST_F(ScriptedTest, MultiLineRepliesAtEveryStep) {
  const char* keys[] = {"GREETING", "USER", "PASS", "PWD",      "CWD",      "TYPE",
                        "PORT",     "RETR", "STOR", "RETR END", "STOR END", "QUIT"};
  for (const char* key : keys) {
    std::string code = ScriptedFtpServer::DefaultReply(key).substr(0, 3);
    server.SetReply(key, code + "-first line\r\n" + "continued 999 x\r\n" + code + "-another\r\n" +
                             code + " last\r\n");
  }
  server.SetFile("f.rnd", Pattern(5000));
  LogIn();
  client.Download("/pub/", "f.rnd", Local("f.rnd"));
  client.Upload(Local("f.rnd"), "/pub/upload/", "f.rnd");
  client.Download("/pub/", "f.rnd", Local("f.rnd"));
  EXPECT_EQ(server.Stored("f.rnd"), Pattern(5000));
  EXPECT_EQ(ReadWholeFile(Local("f.rnd")), Pattern(5000));
}

TEST_F(ScriptedTest, OverLongLinesGarbageAndNulBytesFailCleanly) {
  const std::string overLong = "220 " + std::string(20000, 'x') + "\r\n";
  const std::string replies[] = {overLong, "garbage\r\n", std::string("220 a\0b\r\n", 9),
                                 "\x80\xff\xfe\r\n", "2\r\n"};
  for (const std::string& greeting : replies) {
    server.SetNextReply("GREETING", greeting);
    EXPECT_EQ(LogInFailure().code, 1);
  }
  LogIn();
  for (const std::string& reply : replies) {
    server.SetNextReply("CWD", reply);
    EXPECT_EQ(FailureOf([&] { client.Download("/pub/", "f", Local("f")); }).code, 0);
  }
  // After a broken dialogue the connection fails at once, without waiting for the server.
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(FailureOf([&] { client.Download("/pub/", "f", Local("f")); }).code, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kShortTimeoutMs));
}

TEST_F(ScriptedTest, SilentServerTimesOut) {
  server.SetNextReply("GREETING", ScriptedFtpServer::kSilence);
  EXPECT_EQ(LogInFailure().code, 1);

  LogIn();
  server.SetNextReply("RETR", ScriptedFtpServer::kSilence);
  EXPECT_EQ(FailureOf([&] { client.Download("/pub/", "f", Local("f")); }).code, 0);
}

TEST_F(ScriptedTest, DataThatStallsTimesOut) {
  server.SetFile("f", Pattern(100));
  server.SetNextReply("RETR END", ScriptedFtpServer::kSilence);
  LogIn();
  EXPECT_EQ(FailureOf([&] { client.Download("/pub/", "f", Local("f")); }).code, 0);
}

TEST_F(ScriptedTest, ConnectionDroppedMidTransferKeepsWhatArrived) {
  server.SetFile("f", Pattern(50000));
  server.DropRetrieveAfter(10000);
  LogIn();
  EXPECT_EQ(FailureOf([&] { client.Download("/pub/", "f", Local("f")); }).code, 0);
  EXPECT_EQ(ReadWholeFile(Local("f")), Pattern(10000));
}

TEST_F(ScriptedTest, DataConnectionFromAnotherHostIsRefused) {
  server.SetFile("f", Pattern(6000));
  server.ConnectFromImpostorFirst("injected bytes");
  LogIn();
  client.Download("/pub/", "f", Local("f"));
  EXPECT_EQ(ReadWholeFile(Local("f")), Pattern(6000));
  client.Logoff();

  server.ConnectOnlyFromImpostor();
  LogIn();
  EXPECT_EQ(FailureOf([&] { client.Download("/pub/", "f", Local("f2")); }).code, 0);
  EXPECT_EQ(ReadWholeFile(Local("f2")), "");
}

TEST_F(ScriptedTest, AbortedDownloadStillEndsWithQuit) {
  server.SetFile("f", Pattern(100000));
  LogIn();
  sink.abort = true;
  EXPECT_EQ(FailureOf([&] { client.Download("/pub/", "f", Local("f")); }).code, 16);
  client.Logoff();
  EXPECT_EQ(server.Commands().back(), "QUIT");
}

TEST_F(ScriptedTest, FileNamesWithLineBreaksAreNeverSent) {
  LogIn();
  EXPECT_EQ(FailureOf([&] { client.Download("/pub/", "x\r\nDELE y", Local("f")); }).code, 0);
  EXPECT_EQ(FailureOf([&] { client.Download("/pub/\nDELE y", "x", Local("f")); }).code, 0);
  for (const std::string& command : server.Commands()) {
    EXPECT_EQ(command.find("DELE"), std::string::npos) << command;
  }
}

sockaddr_storage Loopback(int port) {
  sockaddr_storage address{};
  auto& v4 = reinterpret_cast<sockaddr_in&>(address);
  v4.sin_family = AF_INET;
  v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  v4.sin_port = htons(static_cast<unsigned short>(port));
  return address;
}

// A first address that never answers (a listener whose queue is full drops the SYN, as a
// broken IPv6 route loses it) holds the connection up by 250 ms, not by the time-out; one
// that refuses holds it up not at all.
TEST_F(ScriptedTest, ConnectMovesOnFromAnAddressThatNeverAnswers) {
  using std::chrono::milliseconds;
  // A listener with room for one waiting connection, and more than that asking.
  const SocketHandle listener = SystemSockets().NewStreamSocket(AF_INET);
  ASSERT_EQ(SystemSockets().Bind(listener, Loopback(0)), 0);
  ASSERT_EQ(SystemSockets().Listen(listener, 0), 0);
  sockaddr_storage silent{};
  ASSERT_EQ(SystemSockets().LocalAddress(listener, &silent), 0);
  std::vector<SocketHandle> queued;
  for (int i = 0; i < 3; ++i) {
    queued.push_back(SystemSockets().NewStreamSocket(AF_INET));
    SystemSockets().Connect(queued.back(), silent);
  }
  // The listener is silent once one of them fills its queue: waited for, not assumed after a
  // pause, since a loaded machine may take longer to finish a handshake.
  std::vector<socket_api::PollEntry> connecting;
  for (SocketHandle socket : queued) connecting.push_back({socket, true, false});
  ASSERT_GT(SystemSockets().PollAny(connecting, 10000), 0);
  std::this_thread::sleep_for(milliseconds(200));
  const SocketHandle gone = SystemSockets().NewStreamSocket(AF_INET);
  sockaddr_storage refusing{};
  ASSERT_EQ(SystemSockets().Bind(gone, Loopback(0)), 0);
  ASSERT_EQ(SystemSockets().LocalAddress(gone, &refusing), 0);
  SystemSockets().Close(gone);

  const auto connectTime = [&](const sockaddr_storage& first) {
    const auto start = std::chrono::steady_clock::now();
    const TcpSocket made = TcpSocket::ConnectToAny(
        SystemEnvironment(), {first, Loopback(server.Port())}, "test", 30000, nullptr);
    EXPECT_EQ(AddressPort(made.PeerAddress()), server.Port());
    return std::chrono::steady_clock::now() - start;
  };
  const auto afterSilence = connectTime(silent);
  EXPECT_GE(afterSilence, milliseconds(240));
  EXPECT_LT(afterSilence, milliseconds(2000));
  EXPECT_LT(connectTime(refusing), milliseconds(200));
  for (SocketHandle socket : queued) SystemSockets().Close(socket);
  SystemSockets().Close(listener);
}

TEST(ScriptedIpv6Test, ActiveModeOverIpv6UsesEprt) {
  ScriptedFtpServer server(AF_INET6);
  if (server.Port() == 0) GTEST_SKIP() << "no IPv6 loopback here";
  server.SetFile("f", Pattern(5000));
  RecordingSink sink;
  CFtpClient client(&sink);
  client.Connect("::1", "anonymous", "ip@lumvik.dk", false,
                 static_cast<INTERNET_PORT>(server.Port()));
  const TempDir dir("lumvik-ipv6");
  client.Download("/pub/", "f", dir.File("f"));
  EXPECT_EQ(ReadWholeFile(dir.File("f")), Pattern(5000));
  const std::vector<std::string> commands = server.Commands();
  ASSERT_GE(commands.size(), 6u);
  EXPECT_EQ(commands[5].rfind("EPRT |2|::1|", 0), 0u) << commands[5];
}

}  // namespace
