// The run log and the result history as text: what a line holds and how the log is bounded.
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
  finished.Finished(download, upload, "200Ktest.rnd", 3, latency);
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
  EXPECT_EQ(finished.ResultLine(),
            "1970-01-01T00:00:00Z,1706.7,2007.8,432.4,508.7,200Ktest.rnd,,3,23.5,h:21,schedule,"
            "1.0,200.0,,C,\n");
  EXPECT_EQ(AppendResultLine("", finished.ResultLine()),
            std::string(kResultHeader) + finished.ResultLine());
  const std::string lastColumns =
      ",rtt_ms,server,origin,jitter_ms,download_loaded_ms,upload_loaded_ms,latency_grade,"
      "upload_retransmitted_pct\n";
  const std::string header = kResultHeader;
  EXPECT_EQ(header.substr(header.size() - lastColumns.size()), lastColumns);

  // A history from before the round trip, before the server and origin, or before the
  // latency, keeps its rows, with the new fields empty.
  const std::string oldHeader =
      "timestamp,download_kbit_s,download_converted_kbit_s,upload_kbit_s,"
      "upload_converted_kbit_s,download_file,tier,attempts\n";
  const std::string oldRow = "1970-01-01T00:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd,,3";
  CRunRecord unmeasured(0, "h", 21);
  unmeasured.Origin("window");
  unmeasured.Finished(download, upload, "2Mtest.rnd", 1, CLatency());
  EXPECT_EQ(AppendResultLine(oldHeader + oldRow + "\n" + oldRow, unmeasured.ResultLine()),
            std::string(kResultHeader) + oldRow + ",,,,,,,,\n" + oldRow + ",,,,,,,,\n" +
                "1970-01-01T00:00:00Z,1706.7,2007.8,432.4,508.7,2Mtest.rnd,,1,,h:21,window,,,,,"
                "\n");
  const std::string roundTripHeader = oldHeader.substr(0, oldHeader.size() - 1) + ",rtt_ms\n";
  EXPECT_EQ(AppendResultLine(roundTripHeader + oldRow + ",4.0\n", ""),
            std::string(kResultHeader) + oldRow + ",4.0,,,,,,,\n");
  const std::string originHeader =
      roundTripHeader.substr(0, roundTripHeader.size() - 1) + ",server,origin\n";
  EXPECT_EQ(AppendResultLine(originHeader + oldRow + ",4.0,h:21,cli\n", ""),
            std::string(kResultHeader) + oldRow + ",4.0,h:21,cli,,,,,\n");

  // Saved by a spreadsheet: the byte order mark and CRLF stay, for the upgrade too, and what
  // is added only follows the end, so that a current history grows by appending.
  const auto crlf = [](std::string text) {
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2) {
      text.insert(at, "\r");
    }
    return text;
  };
  const std::string mark = "\xEF\xBB\xBF";
  const std::string saved = mark + crlf(std::string(kResultHeader) + finished.ResultLine());
  EXPECT_EQ(AppendResultLine(saved, unmeasured.ResultLine() + finished.ResultLine()),
            saved + crlf(unmeasured.ResultLine() + finished.ResultLine()));
  EXPECT_EQ(
      AppendResultLine(mark + crlf(oldHeader + oldRow), unmeasured.ResultLine()),
      mark + crlf(std::string(kResultHeader) + oldRow + ",,,,,,,,\n" + unmeasured.ResultLine()));
  EXPECT_EQ(AppendResultLine(saved.substr(0, saved.size() - 2), ""), saved);
}

}  // namespace
