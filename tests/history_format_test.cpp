// The result history's format: every column written and read back, the heading of every
// older history read and brought up to date, a spreadsheet's byte order mark and CRLF, and
// the rows a reader must skip.
#include "speedtest/history_format.h"

#include <gtest/gtest.h>

#include "speedtest/history_export.h"
#include "tests/support/utc_local_time.h"

namespace {

// The headings of every history ever written, oldest first; the last is today's.
const std::string kHeadings[] = {
    "timestamp,download_kbit_s,download_converted_kbit_s,upload_kbit_s,"
    "upload_converted_kbit_s,download_file,tier,attempts",
    "timestamp,download_kbit_s,download_converted_kbit_s,upload_kbit_s,"
    "upload_converted_kbit_s,download_file,tier,attempts,rtt_ms",
    "timestamp,download_kbit_s,download_converted_kbit_s,upload_kbit_s,"
    "upload_converted_kbit_s,download_file,tier,attempts,rtt_ms,server,origin",
    "timestamp,download_kbit_s,download_converted_kbit_s,upload_kbit_s,"
    "upload_converted_kbit_s,download_file,tier,attempts,rtt_ms,server,origin,jitter_ms,"
    "download_loaded_ms,upload_loaded_ms,latency_grade,upload_retransmitted_pct",
    "timestamp,download_kbit_s,download_converted_kbit_s,upload_kbit_s,"
    "upload_converted_kbit_s,download_file,tier,attempts,rtt_ms,server,origin,jitter_ms,"
    "download_loaded_ms,upload_loaded_ms,latency_grade,upload_retransmitted_pct,"
    "line_download_kbit_s,line_download_at_least,line_upload_kbit_s,line_upload_at_least",
    "timestamp,download_kbit_s,download_converted_kbit_s,upload_kbit_s,"
    "upload_converted_kbit_s,download_file,tier,attempts,rtt_ms,server,origin,jitter_ms,"
    "download_loaded_ms,upload_loaded_ms,latency_grade,upload_retransmitted_pct,"
    "line_download_kbit_s,line_download_at_least,line_upload_kbit_s,line_upload_at_least,"
    "data_download_mb,data_upload_mb,line_download_sessions,line_upload_sessions",
    "timestamp,download_kbit_s,download_converted_kbit_s,upload_kbit_s,"
    "upload_converted_kbit_s,download_file,tier,attempts,rtt_ms,server,origin,jitter_ms,"
    "download_loaded_ms,upload_loaded_ms,latency_grade,upload_retransmitted_pct,"
    "line_download_kbit_s,line_download_at_least,line_upload_kbit_s,line_upload_at_least,"
    "data_download_mb,data_upload_mb,line_download_sessions,line_upload_sessions,"
    "connection_kind,link_speed_mbit_s,wifi_signal_dbm,other_download_mbit_s,"
    "other_upload_mbit_s,household_download_mbit_s,household_upload_mbit_s,"
    "subscribed_download_mbit_s,subscribed_upload_mbit_s",
};
constexpr int kAges = sizeof kHeadings / sizeof kHeadings[0];
// The empty fields that a row under each heading lacks.
const std::string kMissing[] = {std::string(25, ','),
                                std::string(24, ','),
                                std::string(22, ','),
                                std::string(17, ','),
                                std::string(13, ','),
                                std::string(9, ','),
                                ""};

std::string Crlf(std::string text) {
  for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2) {
    text.insert(at, "\r");
  }
  return text;
}

TEST(HistoryFormat, EveryColumnWrittenAndReadBack) {
  EXPECT_EQ(HistoryHeading(), kHeadings[kAges - 1] + "\n");
  CHistoryRun full;
  full.time = kNoon;
  full.download = 1706.7;
  full.downloadConverted = 2007.8;
  full.upload = 432.4;
  full.uploadConverted = 508.7;
  full.downloadFile = "2Mtest.rnd";
  full.tiers = "2048/512";
  full.attempts = 3;
  full.rttMs = 23.5;
  full.server = "odd,\"name\":21";
  full.origin = "schedule";
  full.jitterMs = 0.8;
  full.downloadLoadedMs = 200.0;
  full.uploadLoadedMs = 245.5;
  full.latencyGrade = "A+";
  full.uploadRetransmittedPct = 0.3;
  full.lineDownload = 901234.5;
  full.lineUpload = 250000.0;
  full.lineUploadAtLeast = true;
  full.dataDownloadMB = 412.3;
  full.dataUploadMB = 98.7;
  full.lineDownloadSessions = 8;
  full.lineUploadSessions = 16;
  full.connectionKind = "wifi";
  full.linkSpeedMbit = 866.7;
  full.signalDbm = -52.0;
  full.otherDownloadMbit = 12.5;
  full.otherUploadMbit = 0.0;
  full.householdDownloadMbit = 31.4;
  full.householdUploadMbit = 0.2;
  full.subscribedDownloadMbit = 1000.0;
  full.subscribedUploadMbit = 2.5;
  CHistoryRun unmeasured = full;
  unmeasured.time = kNoon + 1;
  unmeasured.tiers = "";
  unmeasured.attempts = 1;
  unmeasured.server = "h:21";
  unmeasured.rttMs = unmeasured.jitterMs = unmeasured.downloadLoadedMs = -1.0;
  unmeasured.uploadLoadedMs = unmeasured.uploadRetransmittedPct = -1.0;
  unmeasured.latencyGrade = "";
  unmeasured.lineDownload = unmeasured.lineUpload = -1.0;
  unmeasured.lineUploadAtLeast = false;
  unmeasured.dataDownloadMB = unmeasured.dataUploadMB = -1.0;
  unmeasured.lineDownloadSessions = unmeasured.lineUploadSessions = -1.0;
  unmeasured.connectionKind = "unknown";
  unmeasured.linkSpeedMbit = unmeasured.otherDownloadMbit = unmeasured.otherUploadMbit = -1.0;
  unmeasured.householdDownloadMbit = unmeasured.householdUploadMbit = -1.0;
  unmeasured.subscribedDownloadMbit = unmeasured.subscribedUploadMbit = -1.0;
  unmeasured.signalDbm = 0.0;

  const std::string lines = HistoryLine(full) + HistoryLine(unmeasured);
  EXPECT_EQ(lines,
            "2026-12-09T12:00:00Z,1706.7,2007.8,432.4,508.7,2Mtest.rnd,2048/512,3,23.5,"
            "\"odd,\"\"name\"\":21\",schedule,0.8,200.0,245.5,A+,0.3,901234.5,0,250000.0,1,"
            "412.3,98.7,8,16,wifi,866.7,-52.0,12.5,0.0,31.4,0.2,1000.0,2.5\n"
            "2026-12-09T12:00:01Z,1706.7,2007.8,432.4,508.7,2Mtest.rnd,,1,,h:21,schedule,,,,,,,,,"
            ",,,,,unknown,,,,,,,,\n");
  const std::string history = AppendHistoryLines("", lines);
  EXPECT_EQ(history, HistoryHeading() + lines);
  // For Danish Excel: ";", decimal commas (and only in numbers), quotes only where needed.
  const std::string excel = RunsAsExcelCsv({full, unmeasured});
  EXPECT_EQ(excel.rfind("\xEF\xBB\xBFtimestamp;download_kbit_s;", 0), 0u);
  EXPECT_EQ(excel.substr(excel.find("\r\n") + 2),
            "2026-12-09T12:00:00Z;1706,7;2007,8;432,4;508,7;2Mtest.rnd;2048/512;3;23,5;"
            "\"odd,\"\"name\"\":21\";schedule;0,8;200,0;245,5;A+;0,3;901234,5;0;250000,0;1;"
            "412,3;98,7;8;16;wifi;866,7;-52,0;12,5;0,0;31,4;0,2;1000,0;2,5\r\n"
            "2026-12-09T12:00:01Z;1706,7;2007,8;432,4;508,7;2Mtest.rnd;;1;;h:21;schedule;;;;;;;;;"
            ";;;;;unknown;;;;;;;;\r\n");
  for (const std::string& text : {history, "\xEF\xBB\xBF" + Crlf(history)}) {
    const CHistory back = ParseHistory(text);
    EXPECT_EQ(back.skippedRows, 0u);
    ASSERT_EQ(back.runs.size(), 2u);
    // Each field read back writes the same text again: none lost, none moved.
    EXPECT_EQ(HistoryLine(back.runs[0]) + HistoryLine(back.runs[1]), lines);
  }
}

// A history of any age reads back and, when a run is added, gains the newer columns empty in
// its rows; a spreadsheet's byte order mark and CRLF stay, and a current history only grows
// at its end, so that it can be appended to.
TEST(HistoryFormat, OlderHeadingsReadAndBroughtUpToDate) {
  const std::string row = "2026-12-09T12:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd,,3";
  const std::string fields[] = {"",
                                ",4.0",
                                ",4.0,h:21,cli",
                                ",4.0,h:21,cli,0.5,90.0,,C,",
                                ",4.0,h:21,cli,0.5,90.0,,C,,912345.6,1,,",
                                ",4.0,h:21,cli,0.5,90.0,,C,,912345.6,1,,,3.1,0.4,4,",
                                ",4.0,h:21,cli,0.5,90.0,,C,,912345.6,1,,,3.1,0.4,4,,cable,100.0,,"
                                "2.5,,,7.5,300.0,"};
  const std::string added =
      "2026-12-09T13:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd,,1" + std::string(25, ',') + "\n";
  for (int age = 0; age < kAges; ++age) {
    SCOPED_TRACE(age);
    const std::string old = kHeadings[age] + "\n" + row + fields[age] + "\n";
    const CHistory read = ParseHistory(old);
    ASSERT_EQ(read.runs.size(), 1u);
    EXPECT_EQ(read.skippedRows, 0u);
    EXPECT_EQ(read.runs[0].attempts, 3);
    EXPECT_EQ(read.runs[0].rttMs, age >= 1 ? 4.0 : -1.0);
    EXPECT_EQ(read.runs[0].origin, age >= 2 ? "cli" : "");
    EXPECT_EQ(read.runs[0].latencyGrade, age >= 3 ? "C" : "");
    EXPECT_EQ(read.runs[0].lineDownload, age >= 4 ? 912345.6 : -1.0);
    EXPECT_EQ(read.runs[0].lineDownloadAtLeast, age >= 4);
    EXPECT_EQ(read.runs[0].dataDownloadMB, age >= 5 ? 3.1 : -1.0);
    EXPECT_EQ(read.runs[0].lineDownloadSessions, age >= 5 ? 4.0 : -1.0);
    EXPECT_EQ(read.runs[0].connectionKind, age >= 6 ? "cable" : "");
    EXPECT_EQ(read.runs[0].otherDownloadMbit, age >= 6 ? 2.5 : -1.0);
    EXPECT_EQ(read.runs[0].householdUploadMbit, age >= 6 ? 7.5 : -1.0);
    EXPECT_EQ(read.runs[0].subscribedDownloadMbit, age >= 6 ? 300.0 : -1.0);

    const std::string current = HistoryHeading() + row + fields[age] + kMissing[age] + "\n";
    EXPECT_EQ(AppendHistoryLines(old, added), current + added);
    const std::string mark = "\xEF\xBB\xBF";
    EXPECT_EQ(AppendHistoryLines(mark + Crlf(old), added), mark + Crlf(current + added));
    // Cut short after its last row's end: the new line still starts a line of its own.
    EXPECT_EQ(AppendHistoryLines(old.substr(0, old.size() - 1), ""), current);
  }
  // Blank rows of an old history go when it is brought up to date.
  EXPECT_EQ(AppendHistoryLines(kHeadings[0] + "\n" + row + "\n\n" + row, ""),
            HistoryHeading() + row + kMissing[0] + "\n" + row + kMissing[0] + "\n");
}

TEST(HistoryFormat, SkipsAndCountsRowsItCannotRead) {
  const std::string text =
      HistoryHeading() +
      "2026-12-09T15:00:00Z,1.0,1.2,2.0,2.4,200Ktest.rnd,,2,,\"a,\"\"b\"\"\",cli\n"
      "\n"
      "not a row at all\n"
      "2026-13-09T12:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd,,1\n"
      "2026-12-09T12:00:00,1.0,1.2,2.0,2.4,2Mtest.rnd,,1\n"
      "2026-12-09T12:00:00Z,-1.0,1.2,2.0,2.4,2Mtest.rnd,,1\n"
      "2026-12-09T12:00:00Z,nan,1.2,2.0,2.4,2Mtest.rnd,,1\n"
      "2026-12-09T12:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd,,4\n"
      "2026-12-09T12:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd,,1.5\n"
      "2026-12-09T12:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd,,1,x\n"
      "2026-12-09T12:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd,,1,,\"open,cli\n"
      "2026-12-09T12:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd,,1,,s,cli,,,,,,extra\n"
      "2026-12-09T12:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd,,1,,s,cli,,,,E,\n"
      "2026-12-09T12:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd,,1,,s,cli,,-3.0,,,\n"
      "2026-12-09T12:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd,,1,,s,cli,,,,,,5.0,2,,\n"
      "2026-12-09T12:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd,,1,,s,cli,,,,,,,,,,,,,,wire,,,\n"
      "2026-12-09T12:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd,,1,,s,cli,,,,,,,,,,,,,,wifi,,52.0,,\n"
      "timestamp,download_kbit_s\n"
      "2026-12-09T12:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd";  // cut short by a crash
  const CHistory history = ParseHistory(text);
  EXPECT_EQ(history.skippedRows, 17u);
  ASSERT_EQ(history.runs.size(), 1u);
  EXPECT_EQ(history.runs[0].server, "a,\"b\"");
  EXPECT_EQ(ParseHistory(HistoryHeading()).skippedRows, 0u);
  EXPECT_TRUE(ParseHistory("").runs.empty());
}

}  // namespace
