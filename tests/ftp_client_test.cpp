// The FTP transfer subsystem against a real server (vsftpd as root).
#include "ftp/ftp_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "speedtest/line_phase.h"
#include "tests/support/ftp_failure.h"
#include "tests/support/recording_sink.h"
#include "tests/support/test_point.h"

namespace {

constexpr DWORD kSmallSize = 204800;
constexpr DWORD kLargeSize = 2097152;

class FtpClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InternetTimeouts timeouts;
    timeouts.connectMs = timeouts.replyMs = timeouts.dataAcceptMs = timeouts.dataIoMs = 5000;
    client.Session().SetTimeouts(timeouts);
  }

  void LogIn() { client.Connect("127.0.0.1", "anonymous", "ip@lumvik.dk", false, Port()); }

  static INTERNET_PORT Port() { return static_cast<INTERNET_PORT>(TestPoint::Get()->Port()); }
  static std::string Remote(const std::string& path) { return TestPoint::Get()->Root() + path; }
  static std::string Local(const std::string& name) {
    return TestPoint::Get()->Scratch() + "/" + name;
  }

  RecordingSink sink;
  CFtpClient client{&sink};
};

std::vector<DWORD> Chunks(DWORD size, bool repeatLast) {
  std::vector<DWORD> bytes;
  for (DWORD done = 4096; done <= size; done += 4096) bytes.push_back(done);
  if (repeatLast) bytes.push_back(size);
  return bytes;
}

TEST_F(FtpClientTest, DownloadsTheSmallFileIn51Reports) {
  LogIn();
  client.Download("/pub/", "200Ktest.rnd", Local("200Ktest.rnd"));

  EXPECT_EQ(sink.Bytes(), Chunks(kSmallSize, true));
  for (std::size_t i = 1; i < sink.reports.size(); ++i) {
    EXPECT_GE(sink.reports[i].second, sink.reports[i - 1].second);
  }
  EXPECT_EQ(ReadWholeFile(Local("200Ktest.rnd")), ReadWholeFile(Remote("/pub/200Ktest.rnd")));
}

TEST_F(FtpClientTest, DownloadsTheLargeFileAndOverwritesTheLocalCopy) {
  WriteWholeFile(Local("2Mtest.rnd"), std::string(3000000, 'x'));
  LogIn();
  client.Download("/pub/", "2Mtest.rnd", Local("2Mtest.rnd"));

  EXPECT_EQ(sink.reports.size(), 513u);
  EXPECT_EQ(sink.reports.back().first, kLargeSize);
  EXPECT_EQ(ReadWholeFile(Local("2Mtest.rnd")), ReadWholeFile(Remote("/pub/2Mtest.rnd")));
}

TEST_F(FtpClientTest, UploadsInFiftyReportsAndOverwrites) {
  const std::string first(kSmallSize, 'a');
  const std::string second = ReadWholeFile(Remote("/pub/200Ktest.rnd"));
  WriteWholeFile(Local("upload-a.rnd"), first);
  WriteWholeFile(Local("upload-b.rnd"), second);
  LogIn();

  client.Upload(Local("upload-a.rnd"), "/pub/upload/", "200Ktest.rnd");
  EXPECT_EQ(sink.Bytes(), Chunks(kSmallSize, false));
  EXPECT_EQ(ReadWholeFile(Remote("/pub/upload/200Ktest.rnd")), first);

  sink.reports.clear();
  client.Upload(Local("upload-b.rnd"), "/pub/upload/", "200Ktest.rnd");
  EXPECT_EQ(sink.reports.size(), 50u);
  EXPECT_EQ(ReadWholeFile(Remote("/pub/upload/200Ktest.rnd")), second);
}

TEST_F(FtpClientTest, SecondConnectIsRefusedAndTheFirstStillWorks) {
  LogIn();
  const FtpFailure failure = FailureOf([&] { LogIn(); });
  EXPECT_TRUE(failure.thrown);
  EXPECT_EQ(failure.code, 2);
  EXPECT_EQ(failure.message,
            "Another session is not disconnected yet. Logoff before trying to connect again!");
  client.Download("/pub/", "200Ktest.rnd", Local("after-second-connect.rnd"));
  EXPECT_EQ(sink.reports.size(), 51u);
}

TEST_F(FtpClientTest, FailedLogInNamesTheServerAsPassedAndLeavesNoConnection) {
  const FtpFailure refused =
      FailureOf([&] { client.Connect("127.0.0.1", "nobody-here", "x", false, Port()); });
  EXPECT_EQ(refused.code, 1);
  EXPECT_EQ(refused.message, "Cannot login to the server 127.0.0.1");

  const FtpFailure notConnected =
      FailureOf([&] { client.Download("/pub/", "200Ktest.rnd", Local("never.rnd")); });
  EXPECT_EQ(notConnected.code, 3);
  EXPECT_EQ(notConnected.message, "Not connected to any FTP server!");
  EXPECT_FALSE(FileExists(Local("never.rnd")));

  // The same client may log in afterwards.
  LogIn();
  client.Download("/pub/", "200Ktest.rnd", Local("after-failure.rnd"));
}

TEST_F(FtpClientTest, NoServerAtThePortIsALogInFailure) {
  const FtpFailure failure =
      FailureOf([&] { client.Connect("localhost", "anonymous", "x", false, FreeLoopbackPort()); });
  EXPECT_EQ(failure.code, 1);
  EXPECT_EQ(failure.message, "Cannot login to the server localhost");
}

TEST_F(FtpClientTest, TransfersWithoutLogInGiveCode3) {
  EXPECT_EQ(FailureOf([&] { client.Upload(Local("x"), "/pub/upload/", "x"); }).code, 3);
  client.Logoff();
  EXPECT_EQ(FailureOf([&] { client.Download("/pub/", "x", Local("x")); }).code, 3);
}

TEST_F(FtpClientTest, LocalAndRemoteRefusalsGiveTheirCodes) {
  LogIn();
  const FtpFailure noLocalFolder =
      FailureOf([&] { client.Download("/pub/", "200Ktest.rnd", "/nonexistent/dir/x.rnd"); });
  EXPECT_EQ(noLocalFolder.code, 4);
  EXPECT_EQ(noLocalFolder.message, "Unable to create file/nonexistent/dir/x.rnd");

  const FtpFailure noRemoteFolder =
      FailureOf([&] { client.Download("/nope/", "200Ktest.rnd", Local("code7.rnd")); });
  EXPECT_EQ(noRemoteFolder.code, 7);
  EXPECT_EQ(noRemoteFolder.message, "");
  EXPECT_FALSE(FileExists(Local("code7.rnd")));

  const FtpFailure noRemoteFile =
      FailureOf([&] { client.Download("/pub/", "missing.rnd", Local("code8.rnd")); });
  EXPECT_EQ(noRemoteFile.code, 8);
  EXPECT_EQ(noRemoteFile.message, "Unable to open remote file missing.rnd");

  const FtpFailure noLocalFile =
      FailureOf([&] { client.Upload(Local("missing.rnd"), "/pub/upload/", "200Ktest.rnd"); });
  EXPECT_EQ(noLocalFile.code, 5);
  EXPECT_EQ(noLocalFile.message, "Unable to open file" + Local("missing.rnd"));

  const FtpFailure uploadNoFolder =
      FailureOf([&] { client.Upload(Local("missing.rnd"), "/nope/", "200Ktest.rnd"); });
  EXPECT_EQ(uploadNoFolder.code, 7);

  // After every refusal the connection still carries a transfer.
  client.Download("/pub/", "200Ktest.rnd", Local("after-refusals.rnd"));
  EXPECT_EQ(sink.reports.size(), 51u);
}

// A sink that stops whatever reports to it after so many reports.
class StoppingSink : public RecordingSink {
 public:
  explicit StoppingSink(std::size_t stopAfter) : m_stopAfter(stopAfter) {}
  bool ReportProgress(DWORD bytes, double seconds) override {
    RecordingSink::ReportProgress(bytes, seconds);
    return reports.size() >= m_stopAfter;
  }

 private:
  std::size_t m_stopAfter;
};

// The names in the upload folder that the whole line's uploads left.
std::vector<std::string> LineFilesLeft() {
  std::vector<std::string> left;
  for (int i = 1; i <= 16; ++i) {
    const std::string name = "/pub/upload/line-test-" + std::to_string(i);
    if (std::ifstream(TestPoint::Get()->Root() + name)) left.push_back(name);
  }
  return left;
}

// Several sessions side by side in each direction, the bytes rising with each report, and
// no file of the uploads left behind; then the same stopped by the user after a few
// slices, its sessions ended at once and their files deleted all the same.
TEST_F(FtpClientTest, WholeLineInBothDirectionsLeavesNoFileEvenWhenStopped) {
  LogIn();
  const sockaddr_storage server = client.ServerAddress();
  for (const bool upload : {false, true}) {
    SCOPED_TRACE(upload ? "upload" : "download");
    RecordingSink reports;
    const CLineDirection line =
        MeasureLineDirection(SystemEnvironment(), server, upload, upload ? "/pub/upload/" : "/pub/",
                             upload ? "line-test" : "2Mtest.rnd", kLargeSize, &reports);
    EXPECT_GT(line.figure.kbitPerSecond, 0.0);
    EXPECT_GE(line.sessionsStarted, 4);
    EXPECT_EQ(line.sessionsFailed, 0) << line.firstFailure;
    EXPECT_FALSE(line.stopped);
    ASSERT_GE(reports.reports.size(), 5u);
    EXPECT_GT(reports.reports.back().first, reports.reports.front().first);
    EXPECT_TRUE(line.leftFiles.empty());
    EXPECT_EQ(LineFilesLeft(), std::vector<std::string>());
  }
  StoppingSink stopping(3);
  const auto start = std::chrono::steady_clock::now();
  const CLineDirection stopped = MeasureLineDirection(
      SystemEnvironment(), server, true, "/pub/upload/", "line-test", kLargeSize, &stopping);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_TRUE(stopped.stopped);
  EXPECT_EQ(stopping.reports.size(), 3u);
  // Three slices of 100 ms, then at most the 400 ms the sessions get to end.
  EXPECT_LT(took, std::chrono::milliseconds(300 + 400 + 200));
  EXPECT_EQ(LineFilesLeft(), std::vector<std::string>());
  // The run's own session still carries a transfer.
  client.Download("/pub/", "200Ktest.rnd", Local("after-line.rnd"));
  EXPECT_EQ(ReadWholeFile(Local("after-line.rnd")).size(), kSmallSize);
}

#ifndef _WIN32  // the server restarted with a cap, and a device that is always full
// A server that caps the sessions from one address refuses the phase's extra ones with 421:
// each costs the phase a session, and a rise that could not go on is a lower bound.
TEST_F(FtpClientTest, WholeLineAgainstAServerThatRefusesExtraSessionsIsALowerBound) {
  TestPoint::Get()->Stop();
  ::setenv("FTP_TEST_POINT_MAX_PER_IP", "3", 1);
  TestPoint::Get()->Start();
  LogIn();
  const CLineDirection line = MeasureLineDirection(SystemEnvironment(), client.ServerAddress(),
                                                   false, "/pub/", "2Mtest.rnd", kLargeSize, &sink);
  EXPECT_EQ(line.sessionsStarted, 4);
  EXPECT_EQ(line.sessionsRefused, 2);
  EXPECT_NE(line.firstFailure.find("421"), std::string::npos) << line.firstFailure;
  EXPECT_GT(line.figure.kbitPerSecond, 0.0);
  EXPECT_EQ(line.figure.sessions, 2);
  EXPECT_TRUE(line.figure.lowerBound);
  client.Logoff();
  TestPoint::Get()->Stop();
  ::unsetenv("FTP_TEST_POINT_MAX_PER_IP");
  TestPoint::Get()->Start();
}

TEST_F(FtpClientTest, LocalWriteFailureGivesCode6WithPathAndCause) {
  LogIn();
  const FtpFailure failure =
      FailureOf([&] { client.Download("/pub/", "200Ktest.rnd", "/dev/full"); });
  EXPECT_EQ(failure.code, 6);
  EXPECT_EQ(failure.message, "File Error - Filename = \"/dev/full\", Error Code: 28");
  // The abandoned download left the dialogue in step.
  client.Download("/pub/", "200Ktest.rnd", Local("after-dev-full.rnd"));
  EXPECT_EQ(ReadWholeFile(Local("after-dev-full.rnd")).size(), kSmallSize);
}
#endif

TEST_F(FtpClientTest, AbortFlagStopsAfterOneChunkAndTheSessionGoesOn) {
  LogIn();
  sink.abort = true;
  const FtpFailure download =
      FailureOf([&] { client.Download("/pub/", "2Mtest.rnd", Local("aborted.rnd")); });
  EXPECT_EQ(download.code, 16);
  EXPECT_EQ(download.message, "File transfer is aborted by the user");
  EXPECT_EQ(sink.Bytes(), std::vector<DWORD>{4096});
  EXPECT_EQ(ReadWholeFile(Local("aborted.rnd")).size(), 4096u);

  sink.reports.clear();
  const FtpFailure upload =
      FailureOf([&] { client.Upload(Local("aborted.rnd"), "/pub/upload/", "aborted.rnd"); });
  EXPECT_EQ(upload.code, 16);
  EXPECT_EQ(sink.Bytes(), std::vector<DWORD>{4096});

  sink.abort = false;
  sink.reports.clear();
  client.Download("/pub/", "200Ktest.rnd", Local("after-abort.rnd"));
  EXPECT_EQ(sink.reports.size(), 51u);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TestPoint::Register();
  return RUN_ALL_TESTS();
}
