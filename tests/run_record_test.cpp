// The run log as text, how it is bounded, and the history line a finished run makes.
#include "speedtest/run_record.h"

#include <gtest/gtest.h>

namespace {

std::string LoggedRun(int number, std::size_t bodyBytes) {
  return "== run " + std::to_string(number) + "\n" + std::string(bodyBytes, 'x') + "\n";
}

TEST(RunLog, KeepsTheNewestRunsWithinTheCountAndTheSize) {
  std::string log;
  for (int i = 1; i <= 60; ++i) log = AppendRunToLog(log, LoggedRun(i, 10), 50, 1 << 20);
  EXPECT_EQ(log.rfind("== run 11\n", 0), 0u);  // 11 to 60: fifty runs
  EXPECT_NE(log.find("== run 60\n"), std::string::npos);

  // Each run is 23 bytes: 100 bytes hold the last four whole runs, never a part of one.
  log = AppendRunToLog(log, LoggedRun(61, 10), 50, 100);
  EXPECT_EQ(log, LoggedRun(58, 10) + LoggedRun(59, 10) + LoggedRun(60, 10) + LoggedRun(61, 10));
  // A run larger than the whole bound keeps its newest bytes.
  log = AppendRunToLog(log, LoggedRun(62, 200), 50, 100);
  EXPECT_EQ(log.size(), 100u);
  EXPECT_EQ(log.back(), '\n');
  // A log cut short in the middle of a line still gets each new run on a line of its own.
  EXPECT_EQ(AppendRunToLog("== old\npartial", LoggedRun(1, 1), 50, 1000),
            "== old\npartial\n" + LoggedRun(1, 1));
}

TEST(RunRecord, FailureCauseAndResultLine) {
  CRunRecord failed(86400, "ftp.example.net", 2121);
  failed.Step("download 2Mtest.rnd");
  failed.Failed("code 0, An unknown error occured; receive timed out\r\nsecond line");
  EXPECT_EQ(failed.LogText(),
            "== 1970-01-02T00:00:00Z test run against ftp.example.net port 2121\n"
            "download 2Mtest.rnd\n"
            "failed in download 2Mtest.rnd: code 0, An unknown error occured; receive timed "
            "out  second line\n");
  EXPECT_EQ(failed.ResultLine(), "");

  CRunRecord finished(0, "h", 21);
  finished.Origin("schedule");
  CRateRecord download{1706.66, 2007.84, true, " 128"};
  CRateRecord upload{432.4, 508.7, false, ""};
  finished.RoundTrip(23.456, 0.84, 10);
  // Download measured, upload not (the system told nothing of its path).
  const CLatency latency = SummariseLatency(23.456, {24, 25, 24}, {180, 200, 219}, {}, 0, 0);
  finished.Latency(latency);
  CLineFigure lineDown, lineUp;
  lineDown.kbitPerSecond = 901234.5;
  lineUp.kbitPerSecond = 250000.0;
  lineUp.lowerBound = true;
  finished.DataMoved(2301952, 412000000);
  CConnection wifi;
  wifi.link = {"wlp2s0", LinkKind::kWifi, -1.0, -61.0};
  wifi.otherDownloadMbit = 3.3;
  wifi.householdDownloadMbit = 8.1;
  finished.Connection(wifi);
  CSubscription subscription;
  ParseSpeedPair("1000/250", &subscription.maximum);
  ParseSpeedPair("900/200", &subscription.normallyAvailable);
  finished.Subscription(subscription,
                        JudgeBySubscription(subscription, false, lineDown.kbitPerSecond, false),
                        JudgeBySubscription(subscription, true, lineUp.kbitPerSecond, true));
  finished.Finished(download, upload, "200Ktest.rnd", 3, latency, lineDown, lineUp);
  EXPECT_NE(finished.LogText().find(
                "started from: schedule\n"
                "round trip to the server: 23.5 ms, jitter 0.8 ms over 10 idle round trips\n"
                "download under load: round trip median 200.0 ms, 90th percentile 215.2 ms, "
                "176.5 ms over idle, grade C (3 samples)\n"
                "upload under load: not measured\n"
                "latency grade: C; responsiveness 316 RPM (Fair)\n"
                "upload retransmitted: not measured\n"),
            std::string::npos)
      << finished.LogText();
  EXPECT_NE(finished.LogText().find(
                "connection: wlp2s0, wifi, speed unknown, signal -61 dBm; other traffic "
                "3.3 Mbit/s down, unknown up; household 8.1 Mbit/s down, unknown up\n"
                "subscription: maximum 1000/250 Mbit/s; download 92.3% of it, normally "
                "available reached; upload at least 102.4% of it, normally available reached\n"),
            std::string::npos)
      << finished.LogText();
  EXPECT_EQ(finished.ResultLine(),
            "1970-01-01T00:00:00Z,1706.7,2007.8,432.4,508.7,200Ktest.rnd,,3,23.5,h:21,schedule,"
            "1.0,200.0,,C,,901234.5,0,250000.0,1,2.3,412.0,0,0,wifi,,-61.0,3.3,,8.1,,1000.0,"
            "250.0\n");
}

}  // namespace
