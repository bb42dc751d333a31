// The run's policy without a window or a server: the in-memory FTP server and network of
// the session fuzzer play each case on a virtual clock, and the test reads back what the
// server was asked, what the front end was told, the outcome and the record.
#include "speedtest/run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <set>
#include <sstream>

#include "ftp/ftp_exception.h"
#include "kernel/directories.h"
#include "tests/fuzz/closing_front_end.h"
#include "tests/fuzz/fake_network.h"
#include "tests/support/file_contents.h"
#include "tests/support/user_folders.h"

namespace {

constexpr char kServer[] = "fake.test";
// The transfer commands the server was asked, without the ports.
std::vector<std::string> Transfers() {
  std::vector<std::string> transfers;
  for (const std::string& command : fake_network::Commands()) {
    if (command.rfind("RETR ", 0) == 0 || command.rfind("STOR ", 0) == 0) {
      transfers.push_back(command);
    }
  }
  return transfers;
}

const std::string kSmall = "RETR 200Ktest.rnd";
const std::string kLarge = "RETR 2Mtest.rnd";
const std::string kUp = "STOR 200Ktest.rnd";

class RunTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The record goes into a folder of the test's own, never into the user's history.
    ASSERT_FALSE(PointUserFoldersIntoRoot("lumvik-run-test").empty());
  }
  static void TearDownTestSuite() { RemoveUserFoldersRoot(); }

  // One run over the fake network, each transfer taking `ms` in turn; `script` sets the
  // server's further decisions before it starts.
  CTestOutcome Run(
      std::vector<long long> ms, const std::function<void()>& script = [] {},
      WholeLine wholeLine = WholeLine::kNever) {
    fake_network::StartSession(nullptr, 0);
    fake_network::TimeTransfers(std::move(ms));
    script();
    CTestRun run("fake-folder", kServer, 21, &listener, fake_network::Environment(tickBaseMs));
    run.EchoLog(false);
    run.SetOrigin(RunOrigin::kSchedule);
    run.SetWholeLine(wholeLine);
    CTestOutcome outcome = run.Run();
    EXPECT_EQ(fake_network::OpenSockets(), 0);
    EXPECT_EQ(fake_network::LocalFileCount(), 0u);  // no test file left behind
    fake_network::ForgetLocalFiles();
    return outcome;
  }

  // This run's part of the run log.
  static std::string LoggedRun(const CTestOutcome& outcome) {
    const std::string log = ReadWholeFile(RunLogPath());
    const std::size_t start = log.rfind("== " + outcome.time);
    return start == std::string::npos ? "no run at " + outcome.time + " in:\n" + log
                                      : log.substr(start);
  }

  CClosingFrontEnd listener;
  DWORD tickBaseMs = 0;  // where the transfers' tick counter starts
};

// The worked example: 2048/512 in one attempt, the tick counter wrapping during the first
// transfer; the whole command sequence, the record and the history line. The connection is
// made at once; the idle NOOPs take 1 ms but the first 51 ms; the system tells a round trip
// of 200 ms on the loaded data connections and 5 of each 1000 bytes of the upload sent again.
TEST_F(RunTest, MatchedRunFromLogInToHistoryLine) {
  tickBaseMs = 0xFFFFFFFFu - 499;
  const CTestOutcome outcome = Run({1000, 9600, 3700}, [] {
    fake_network::ScriptAnswer("NOOP", 1, {10, 1});
    for (int nth = 2; nth <= 10; ++nth) fake_network::ScriptAnswer("NOOP", nth, {10, 0});
    fake_network::TellPath({200.0}, 5);
  });
  std::vector<std::string> expected = {"USER anonymous", "PASS ip@lumvik.dk", "PWD"};
  expected.insert(expected.end(), 10, "NOOP");
  expected.insert(expected.end(),
                  {"CWD /pub/", "TYPE I", "PORT", kSmall, "CWD /pub/", "TYPE I", "PORT", kLarge,
                   "CWD /pub/upload/", "TYPE I", "PORT", kUp, "QUIT"});
  std::vector<std::string> commands = fake_network::Commands();
  for (std::string& command : commands) {
    if (command.rfind("PORT ", 0) == 0) command = "PORT";
  }
  EXPECT_EQ(commands, expected);
  EXPECT_EQ(listener.told,
            (std::vector<std::string>{"log-in", "down 200Ktest.rnd 204800",
                                      "down 2Mtest.rnd 2097152", "up 200Ktest.rnd 204800"}));
  ASSERT_TRUE(outcome.finished) << outcome.errorCause;
  EXPECT_EQ(outcome.attempts, 1);
  EXPECT_EQ(outcome.server, "fake.test:21");
  EXPECT_EQ(outcome.download.file, "2Mtest.rnd");
  EXPECT_DOUBLE_EQ(outcome.download.seconds, 9.6);
  EXPECT_DOUBLE_EQ(outcome.upload.seconds, 3.7);
  EXPECT_EQ(outcome.resultText,
            "Testresultat\n\n"
            "Test af download:  2007 kbit/s (omregnet fra 1706 kbit/s)\n"
            "Test af upload:       508 kbit/s (omregnet fra  432 kbit/s)\n\n"
            "Testresultatet passer til Lumvik Bredbånd 2048/512");
  EXPECT_TRUE(
      std::regex_match(outcome.historyLine,
                       std::regex("20[0-9]{2}-[0-9]{2}-[0-9]{2}T[0-9:]{8}Z,1706\\.7,2007\\.8,"
                                  "432\\.4,508\\.7,2Mtest\\.rnd,2048/512,1,0\\.0,"
                                  "fake\\.test:21,schedule,5\\.6,200\\.0,200\\.0,D,0\\.5,,,,,2\\.3,"
                                  "0\\.2,,,unknown,,,,,,,,\n")))
      << outcome.historyLine;
  EXPECT_EQ(outcome.recordProblem, "");
  const std::string history = ReadWholeFile(ResultHistoryPath());
  EXPECT_NE(history.find("\n" + outcome.historyLine), std::string::npos) << history;

  const std::string logged = LoggedRun(outcome);
  EXPECT_NE(logged.find("test run against fake.test port 21\nstarted from: schedule\n"),
            std::string::npos)
      << logged;
  EXPECT_NE(logged.find("download 200Ktest.rnd: 204800 bytes in 1000 ms\n"
                        "download 2Mtest.rnd\ndownload 2Mtest.rnd: 2097152 bytes in 9600 ms\n"
                        "upload 200Ktest.rnd\nupload 200Ktest.rnd: 204800 bytes in 3700 ms\n"
                        "data moved: 2301952 bytes down, 204800 bytes up\n"
                        "connection: interface unknown, unknown, speed unknown; other traffic "
                        "unknown down, unknown up; household unknown down, unknown up\n"
                        "result: download 1706.7 kbit/s (converted 2007.8), upload 432.4 kbit/s "
                        "(converted 508.7), tier 2048/512, attempts 1\n"
                        "download under load: round trip median 200.0 ms, 90th percentile "
                        "200.0 ms, 200.0 ms over idle, grade D (4 samples)\n"
                        "upload under load: round trip median 200.0 ms, 90th percentile 200.0 "
                        "ms, 200.0 ms over idle, grade D (2 samples)\n"
                        "latency grade: D; responsiveness 300 RPM (Fair)\n"
                        "upload retransmitted: 0.5% of the bytes sent\n"),
            std::string::npos)
      << logged;
  EXPECT_NE(logged.find("log-in as anonymous\nidle round trips\nround trip to the server: 0.0 ms, "
                        "jitter 5.6 ms over 10 idle round trips\n"),
            std::string::npos)
      << logged;
  EXPECT_EQ(outcome.latency.grade, "D");
  EXPECT_EQ(logged.find("ip@lumvik.dk"), std::string::npos);
}

// Below 6.0 s the large file follows and its time alone makes the rate; at 6.0 s and over
// the small file's time does. The large file's 9600 ms and the upload's 3700 ms match.
TEST_F(RunTest, LargeFileOnlyAfterASmallDownloadUnderSixSeconds) {
  struct Case {
    long long smallMs;
    bool large;
    const char* download;  // the result text's download line
  };
  for (const Case& c : {Case{5999, true, "2007 kbit/s (omregnet fra 1706 kbit/s)"},
                        Case{6000, false, "313 kbit/s (omregnet fra  266 kbit/s)"},
                        Case{6001, false, "313 kbit/s (omregnet fra  266 kbit/s)"}}) {
    SCOPED_TRACE(c.smallMs);
    listener.told.clear();
    const CTestOutcome outcome =
        Run(c.large ? std::vector<long long>{c.smallMs, 9600, 3700}
                    : std::vector<long long>{c.smallMs, 3700, c.smallMs, c.smallMs});
    ASSERT_TRUE(outcome.finished) << outcome.errorCause;
    EXPECT_EQ(Transfers().at(1), c.large ? kLarge : kUp);
    EXPECT_EQ(outcome.download.file, c.large ? "2Mtest.rnd" : "200Ktest.rnd");
    EXPECT_NE(outcome.resultText.find(c.download), std::string::npos) << outcome.resultText;
  }
}

// A direction that matched no tier is measured again, up to three attempts; one that
// matched is not. The last attempt's figures stand.
TEST_F(RunTest, OnlyTheUnmatchedDirectionIsMeasuredAgain) {
  struct Case {
    std::vector<long long> ms;
    std::vector<std::string> transfers;
    std::vector<std::string> told;
    const char* result;
  };
  const Case cases[] = {
      {{1000, 9600, 1000, 1100, 1200},
       {kSmall, kLarge, kUp, kUp, kUp},
       {"log-in", "down 200Ktest.rnd 204800", "down 2Mtest.rnd 2097152", "up 200Ktest.rnd 204800",
        "attempt 2", "up 200Ktest.rnd 204800", "attempt 3", "up 200Ktest.rnd 204800"},
       "Test af download:  2007 kbit/s (omregnet fra 1706 kbit/s)\n"
       "Test af upload:      1568 kbit/s (omregnet fra 1333 kbit/s)"},
      // Each attempt's download has its own six-second rule.
      {{1000, 1000, 3700, 7000, 2000, 1000},
       {kSmall, kLarge, kUp, kSmall, kSmall, kLarge},
       {"log-in", "down 200Ktest.rnd 204800", "down 2Mtest.rnd 2097152", "up 200Ktest.rnd 204800",
        "attempt 2", "down 200Ktest.rnd 204800", "attempt 3", "down 200Ktest.rnd 204800",
        "down 2Mtest.rnd 2097152"},
       "Test af download:  19275 kbit/s (omregnet fra 16384 kbit/s)\n"
       "Test af upload:       508 kbit/s (omregnet fra  432 kbit/s)"},
      {{6000, 1000, 6000, 1100, 6000, 1200},
       {kSmall, kUp, kSmall, kUp, kSmall, kUp},
       {"log-in", "down 200Ktest.rnd 204800", "up 200Ktest.rnd 204800", "attempt 2",
        "down 200Ktest.rnd 204800", "up 200Ktest.rnd 204800", "attempt 3",
        "down 200Ktest.rnd 204800", "up 200Ktest.rnd 204800"},
       "Test af download:   313 kbit/s (omregnet fra  266 kbit/s)\n"
       "Test af upload:      1568 kbit/s (omregnet fra 1333 kbit/s)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result);
    listener.told.clear();
    const CTestOutcome outcome = Run(c.ms);
    ASSERT_TRUE(outcome.finished) << outcome.errorCause;
    EXPECT_EQ(Transfers(), c.transfers);
    EXPECT_EQ(listener.told, c.told);
    EXPECT_EQ(outcome.attempts, 3);
    EXPECT_EQ(outcome.resultText, "Testresultat\n\n" + std::string(c.result));
    // No product: the history line names none.
    EXPECT_NE(outcome.historyLine.find(",,3,"), std::string::npos) << outcome.historyLine;
  }
}

// A server slow to answer NOOP costs the run a bounded time: the idle round trips stop
// after 1.5 s, the run goes on, and the figures come from what was timed. A system that
// tells nothing of the path leaves the loaded latency "not measured", and the transfers'
// times are those of any run.
TEST_F(RunTest, SlowNoopsAndAPathTheSystemDoesNotTell) {
  const CTestOutcome outcome = Run({1000, 9600, 3700}, [] {
    for (int nth = 1; nth <= 10; ++nth) fake_network::ScriptAnswer("NOOP", nth, {10, 10});
  });
  ASSERT_TRUE(outcome.finished) << outcome.errorCause;
  const std::vector<std::string> commands = fake_network::Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "NOOP"), 3);
  EXPECT_DOUBLE_EQ(outcome.download.seconds, 9.6);
  EXPECT_DOUBLE_EQ(outcome.upload.seconds, 3.7);
  EXPECT_EQ(outcome.latency.idleSamples, 3);
  EXPECT_DOUBLE_EQ(outcome.latency.jitterMs, 0.0);  // 501 ms each: slow, but steady
  EXPECT_LT(outcome.rttMs, 501.0);                  // the log-in's round trips count too
  EXPECT_EQ(outcome.latency.download.samples, 0);
  EXPECT_EQ(outcome.latency.grade, "");
  EXPECT_EQ(outcome.historyLine.substr(outcome.historyLine.size() - 47),
            "schedule,0.0,,,,,,,,,2.3,0.2,,,unknown,,,,,,,,\n");
  EXPECT_NE(LoggedRun(outcome).find("download under load: not measured\n"
                                    "upload under load: not measured\n"
                                    "latency grade: not measured\n"
                                    "upload retransmitted: not measured\n"),
            std::string::npos)
      << LoggedRun(outcome);
}

// Every failure takes the failure path: its code, the step it came in and its cause reach
// the front end and the run log, the history gains nothing, and no test file stays.
TEST_F(RunTest, EachFailureHasItsCodeStepAndRecord) {
  struct Case {
    const char* what;
    std::function<void()> script;
    int code;
    const char* step;
    const char* cause;
    int stopAfterReports = 0;
    bool quits = true;
  };
  const auto answer = [](const char* key, int nth, std::vector<std::uint8_t> decision) {
    return [=] { fake_network::ScriptAnswer(key, nth, decision); };
  };
  const Case cases[] = {
      {"refused log-in", answer("PASS", 1, {12, 20}), CFTPException::kLoginFailed,
       "log-in as anonymous", "530"},
      {"small file missing", answer("RETR", 1, {12, 21}), CFTPException::kCannotOpenRemoteFile,
       "download 200Ktest.rnd", "550"},
      {"upload refused in the second attempt", answer("STOR", 2, {12, 22}),
       CFTPException::kCannotOpenRemoteFileForWriting, "upload 200Ktest.rnd", "553"},
      // 60000 bytes, then the end of the data and 226 as if the file were whole.
      {"short download", answer("RETR", 1, {0, 0, 0x60, 0xEA, 0}), CFTPException::kUnknown,
       "download 200Ktest.rnd", "received 60000 of 204800 bytes"},
      {"large file cut by a reset", answer("RETR", 2, {0, 0, 0, 0, 3}), CFTPException::kUnknown,
       "download 2Mtest.rnd", ""},
      {"server gone during the idle round trips", answer("NOOP", 3, {13}), CFTPException::kUnknown,
       "idle round trips", "the server closed the control connection", 0, false},
      // A preliminary reply to NOOP: the dialogue would be one reply behind from then on, so
      // it is broken off.
      {"NOOP answered with 150", answer("NOOP", 1, {12, 3}), CFTPException::kUnknown,
       "idle round trips", "unexpected reply: 150", 0, false},
      // The control connection closes: nobody is left to say QUIT to.
      {"server gone before the upload", answer("CWD", 3, {13}), CFTPException::kUnknown,
       "upload 200Ktest.rnd", "the server closed the control connection", 0, false},
      {"stopped by the user", [] {}, CFTPException::kAborted, "download 2Mtest.rnd",
       ftp_message::kAborted, 60},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    listener.CloseAt(c.stopAfterReports);
    const std::string historyBefore = ReadWholeFile(ResultHistoryPath());
    // Times that match no upload tier, so that a second attempt follows.
    const CTestOutcome outcome = Run({1000, 9600, 1100, 1100, 1100}, c.script);
    EXPECT_FALSE(outcome.finished);
    EXPECT_EQ(outcome.errorCode, c.code) << outcome.errorCause;
    EXPECT_EQ(outcome.errorStep, c.step);
    EXPECT_NE(outcome.errorCause.find(c.cause), std::string::npos) << outcome.errorCause;
    EXPECT_EQ(outcome.resultText, "");
    EXPECT_EQ(outcome.historyLine, "");
    EXPECT_EQ(ReadWholeFile(ResultHistoryPath()), historyBefore);
    EXPECT_EQ(fake_network::Commands().back() == "QUIT", c.quits);
    const std::string logged = LoggedRun(outcome);
    EXPECT_NE(logged.find("failed in " + std::string(c.step) + ": code " + std::to_string(c.code)),
              std::string::npos)
        << logged;
  }
  listener.CloseAt(0);
}

// The whole line over a line that its sessions share, each data connection carrying 40
// Mbit/s at most and idle for a few round trips of 10 ms between files (so about 38 a
// session): sessions are added while the total rises, and the figure is the line's where
// they fill it and it queues, else a lower bound; a session refused or lost costs only
// itself (the line still full without it); a close ends the phase and the removal of what it
// left within 0.5 s; no file sent stays on the server unsaid.
TEST_F(RunTest, TheWholeLineOnASharedLine) {
  struct Case {
    const char* what;
    double lineMbit;
    int sessionLimit;
    std::function<void()> script;
    double downMbit;
    double upMbit;
    bool atLeast;
    int lost;     // sessions lost each way
    int refused;  // of them refused
    bool closed = false;
    std::size_t left = 0;  // uploads left on the server, and said so
  };
  const Case cases[] = {
      {"saturated by 8 sessions", 200, 0, [] {}, 200, 200, false, 0, 0},
      {"a slow line, full with 4", 20, 0, [] {}, 20, 20, false, 0, 0},
      {"16 sessions cannot fill it", 1000, 0, [] {}, 607, 607, true, 0, 0},
      // With the run's own session, 6 at once: of 8, 3 are refused each way.
      {"the server has 6 sessions at once", 300, 6, [] {}, 190, 190, true, 3, 3},
      // Two downloads' data connections reset, and one that the server could not open (425)
      // tried again on a new port; one upload's reset after 2 KiB, and one refused with 425
      // twice after the server made its file: both files deleted by the run's own session.
      {"two sessions lost each way", 300, 0,
       [] {
         fake_network::ScriptAnswer("RETR", 6, {0, 0, 0, 0, 3});
         fake_network::ScriptAnswer("RETR", 8, {0, 0, 0, 0, 3});
         fake_network::ScriptAnswer("RETR", 10, {12, 15});
         fake_network::ScriptAnswer("STOR", 3, {0, 0, 2});
         fake_network::ScriptAnswer("STOR", 5, {12, 15});
         fake_network::ScriptAnswer("STOR", 6, {12, 15});
       },
       300, 300, false, 2, 0},
      // One upload's STOR answered only long after the close: its file is on the server,
      // and the run's own session deletes it.
      {"closed during the upload", 300, 0,
       [] {
         fake_network::ScriptAnswer("STOR", 2, {10, 255});
       },
       300, -1, false, 0, 0, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    listener.CloseAt(c.closed ? 20 : 0, "whole line upload");
    const CTestOutcome outcome = Run(
        {1000, 9600, 3700},
        [&] {
          fake_network::CarryLine(c.lineMbit, 40, c.sessionLimit);
          c.script();
        },
        WholeLine::kAlways);
    for (const CLineDirection* line : {&outcome.lineDownload, &outcome.lineUpload}) {
      const double expected = line == &outcome.lineDownload ? c.downMbit : c.upMbit;
      if (expected < 0) continue;
      const CLineFigure& figure = line->figure;
      EXPECT_NEAR(figure.kbitPerSecond * 1024 / 1e6, expected, expected * 0.05);
      EXPECT_EQ(figure.lowerBound, c.atLeast);
      EXPECT_LE(figure.phaseSeconds, 10.5);
      EXPECT_EQ(line->sessionsFailed, c.lost) << line->firstFailure;
      EXPECT_EQ(line->sessionsRefused, c.refused);
    }
    EXPECT_EQ(outcome.lineUpload.leftFiles.size(), c.left);
    EXPECT_EQ(fake_network::ServerFiles().size(), 1 + c.left);  // 200Ktest.rnd stays
    for (const std::string& file : outcome.lineUpload.leftFiles)
      EXPECT_EQ(fake_network::ServerFiles().count(file.substr(file.rfind('/') + 1)), 1u);
    if (c.closed) {
      EXPECT_EQ(outcome.errorCode, CFTPException::kAborted);
      EXPECT_TRUE(outcome.lineUpload.stopped);
      EXPECT_LE(fake_network::NowMs() - listener.closedAtMs, 500);
      continue;
    }
    ASSERT_TRUE(outcome.finished) << outcome.errorCause;
    // The figures themselves are checked above; here, how the result line says them.
    const std::string atLeast = c.atLeast ? "mindst " : "";
    EXPECT_TRUE(std::regex_search(
        outcome.resultText, std::regex("\n\nHele linjen: " + atLeast + "[0-9]+,[0-9] Mbit/s ned, " +
                                       atLeast + "[0-9]+,[0-9] Mbit/s op$")))
        << outcome.resultText;
  }
  listener.CloseAt(0);
}

}  // namespace
