// The result history read back: rows of every age and odd rows, ranges at their edges, the
// summary, the tier bands against the tier matching, and what a customer takes away.
#include "speedtest/result_history.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "speedtest/rate_conversion.h"
#include "speedtest/run_record.h"

#include "tests/support/utc_local_time.h"

namespace {

// 2026-12-09T12:00:00Z
constexpr std::time_t kNoon = 1796817600;
constexpr std::time_t kDay = 24 * 60 * 60;

CHistoryRun HistoryRun(std::time_t time, double down, double up, const char* tiers) {
  CHistoryRun run;
  run.time = time;
  run.download = down / 1.2;
  run.downloadConverted = down;
  run.upload = up / 1.2;
  run.uploadConverted = up;
  run.downloadFile = "2Mtest.rnd";
  run.tiers = tiers;
  run.attempts = 1;
  return run;
}

TEST(ResultHistory, ReadsRowsOfEveryAgeAndCountsWhatItCannotRead) {
  const std::string text =
      "\xEF\xBB\xBF" + std::string(kResultHeader).substr(0, 88) +
      "\r\n"
      "2026-12-09T12:00:00Z,1706.7,2007.8,432.4,508.7,2Mtest.rnd,2048/512,1\r\n"
      "2026-12-09T13:00:00Z,1706.7,2007.8,432.4,508.7,2Mtest.rnd,,3,12.5\r\n"
      "\r\n"
      "2026-12-09T14:00:00Z,1.0,1.2,2.0,2.4,200Ktest.rnd,,2,,\"ftp.example.net:21\",schedule\r\n"
      "2026-12-09T15:00:00Z,1.0,1.2,2.0,2.4,200Ktest.rnd,,2,,\"a,\"\"b\"\"\",cli\r\n"
      "2026-12-09T16:00:00Z,1.0,1.2,2.0,2.4,200Ktest.rnd,,1,20.1,s,cli,0.8,245.5,,D,0.3\r\n"
      // Odd rows: each is skipped and counted.
      "not a row at all\r\n"
      "2026-13-09T12:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd,,1\r\n"
      "2026-12-09T12:00:00,1.0,1.2,2.0,2.4,2Mtest.rnd,,1\r\n"
      "2026-12-09T12:00:00Z,-1.0,1.2,2.0,2.4,2Mtest.rnd,,1\r\n"
      "2026-12-09T12:00:00Z,nan,1.2,2.0,2.4,2Mtest.rnd,,1\r\n"
      "2026-12-09T12:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd,,4\r\n"
      "2026-12-09T12:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd,,1,x\r\n"
      "2026-12-09T12:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd,,1,,\"open,cli\r\n"
      "2026-12-09T12:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd,,1,,s,cli,,,,,,extra\r\n"
      "2026-12-09T12:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd,,1,,s,cli,,,,E,\r\n"
      "2026-12-09T12:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd,,1,,s,cli,,-3.0,,,\r\n"
      "timestamp,download_kbit_s\r\n"
      "2026-12-09T12:00:00Z,1.0,1.2,2.0,2.4,2Mtest.rnd";  // cut short by a crash
  const CHistory history = ParseHistory(text);
  EXPECT_EQ(history.skippedRows, 13u);
  ASSERT_EQ(history.runs.size(), 5u);
  EXPECT_EQ(history.runs[0].time, kNoon);
  EXPECT_DOUBLE_EQ(history.runs[0].downloadConverted, 2007.8);
  EXPECT_EQ(history.runs[0].tiers, "2048/512");
  EXPECT_EQ(history.runs[0].rttMs, -1.0);
  EXPECT_EQ(history.runs[1].rttMs, 12.5);
  EXPECT_EQ(history.runs[1].attempts, 3);
  EXPECT_EQ(history.runs[2].server, "ftp.example.net:21");
  EXPECT_EQ(history.runs[2].origin, "schedule");
  EXPECT_EQ(history.runs[3].server, "a,\"b\"");
  EXPECT_EQ(history.runs[3].jitterMs, -1.0);
  EXPECT_EQ(history.runs[3].latencyGrade, "");
  const CHistoryRun& loaded = history.runs[4];
  EXPECT_EQ(loaded.jitterMs, 0.8);
  EXPECT_EQ(loaded.downloadLoadedMs, 245.5);
  EXPECT_EQ(loaded.uploadLoadedMs, -1.0);
  EXPECT_EQ(loaded.latencyGrade, "D");
  EXPECT_EQ(loaded.uploadRetransmittedPct, 0.3);
  EXPECT_EQ(ParseHistory(kResultHeader).skippedRows, 0u);
  EXPECT_TRUE(ParseHistory("").runs.empty());
}

// A range holds the runs from its start, inclusive, up to now; none from the future.
TEST(ResultHistory, RangesAtTheirEdges) {
  CHistory history;
  for (std::time_t age : {400 * kDay, 365 * kDay, 30 * kDay + 1, 30 * kDay, 7 * kDay, kDay + 1,
                          kDay, std::time_t{0}, -std::time_t{1}}) {
    history.runs.push_back(HistoryRun(kNoon - age, 1000, 500, ""));
  }
  const auto count = [&](HistoryRange range) { return RunsInRange(history, range, kNoon).size(); };
  EXPECT_EQ(count(HistoryRange::kDay), 2u);
  EXPECT_EQ(count(HistoryRange::kWeek), 4u);
  EXPECT_EQ(count(HistoryRange::kMonth), 5u);
  EXPECT_EQ(count(HistoryRange::kYear), 7u);
  EXPECT_EQ(count(HistoryRange::kAll), 8u);
  EXPECT_EQ(RunsInRange(history, HistoryRange::kDay, kNoon).front().time, kNoon - kDay);
}

TEST(ResultHistory, SummaryNamesTheMediansAndTheProductMostNamed) {
  const std::vector<CHistoryRun> runs = {
      HistoryRun(kNoon, 2000, 500, "2048/512"), HistoryRun(kNoon, 1900, 510, "2048/512"),
      HistoryRun(kNoon, 900, 400, ""), HistoryRun(kNoon, 2010, 505, "2048/512"),
      HistoryRun(kNoon, 3000, 120, "4096/128")};
  const CHistorySummary summary = Summarise(runs);
  EXPECT_DOUBLE_EQ(summary.medianDownload, 2000);
  EXPECT_DOUBLE_EQ(summary.medianUpload, 500);
  EXPECT_EQ(summary.product, "Lumvik Bredbånd 2048/512");
  EXPECT_EQ(summary.runsInProduct, 3u);
  EXPECT_EQ(SummaryText(HistoryRange::kWeek, summary),
            "Målinger, 7 dage: 5. Median download 2000 kbit/s, median upload 500 kbit/s "
            "(omregnet). 3 af 5 (60 %) passer til Lumvik Bredbånd 2048/512.");
  EXPECT_DOUBLE_EQ(Summarise({runs[0], runs[2]}).medianDownload, 1450);
  EXPECT_EQ(SummaryText(HistoryRange::kDay, Summarise({runs[2]})),
            "Målinger, 24 timer: 1. Median download 900 kbit/s, median upload 400 kbit/s "
            "(omregnet). Ingen måling passer til et produkt.");
  EXPECT_EQ(SummaryText(HistoryRange::kAll, Summarise({})), "Målinger, Alle: ingen.");
}

// Each band holds exactly the converted rates that match its tier.
TEST(ResultHistory, TierBandsAgreeWithTheTierMatching) {
  for (bool download : {true, false}) {
    const std::vector<CTierBand> bands = TierBands(download);
    ASSERT_EQ(bands.size(), download ? 7u : 3u);
    for (const CTierBand& band : bands) {
      SCOPED_TRACE(band.tier);
      for (double rate : {band.fromKbit - 0.01, band.fromKbit, band.toKbit - 0.01, band.toKbit}) {
        CRateRecord record;
        const int index = ComputeRate(rate / kConversionFactor, 1.0, &record);
        std::string tier;
        const bool matched =
            download ? MatchDownloadTier(index, tier) : MatchUploadTier(index, tier);
        const bool inside = rate >= band.fromKbit && rate < band.toKbit;
        EXPECT_EQ(matched && tier.substr(tier.find_first_not_of(' ')) == band.tier, inside) << rate;
      }
    }
  }
  EXPECT_EQ(TierBands(true)[4].tier, "2048");
  EXPECT_DOUBLE_EQ(TierBands(true)[4].fromKbit, 1576);
  EXPECT_DOUBLE_EQ(TierBands(true)[4].toKbit, 2056);
}

TEST(ResultHistory, TextForSupportAndCsvThatReadsBackTheSame) {
  UseUtcAsLocalTime();
  CHistoryRun run = HistoryRun(kNoon, 2007.8, 508.7, "2048/512");
  run.rttMs = 12.25;
  run.server = "ftp.lumvik.dk:21";
  run.origin = "schedule";
  run.jitterMs = 0.84;
  run.downloadLoadedMs = 245.5;
  run.latencyGrade = "D";
  run.uploadRetransmittedPct = 0.26;
  CHistoryRun old = HistoryRun(kNoon + 3600, 900, 400, "");
  EXPECT_EQ(RunsAsText({run, old}, "3.0.0.4"),
            "Lumvik Hastighedstest 3.0.0.4: 2 målinger (kbit/s omregnet, målt i parentes)\n"
            "09-12-2026 12:00  download 2008 (1673)  upload 509 (424)  Lumvik Bredbånd 2048/512  "
            "forsøg 1  svartid 12,2 ms  jitter 0,8 ms  under belastning ned 245,5 ms, op ikke "
            "målt  karakter D  server ftp.lumvik.dk:21\n"
            "09-12-2026 13:00  download 900 (750)  upload 400 (333)  intet produkt  forsøg 1  "
            "svartid ikke målt  jitter ikke målt  under belastning ned ikke målt, op ikke målt  "
            "karakter ikke målt  server ikke noteret\n");

  old.server = "odd,\"name\"";
  const std::string csv = RunsAsCsv({run, old});
  EXPECT_EQ(csv.rfind(kResultHeader, 0), 0u);
  const CHistory back = ParseHistory(csv);
  EXPECT_EQ(back.skippedRows, 0u);
  ASSERT_EQ(back.runs.size(), 2u);
  EXPECT_EQ(back.runs[0].time, run.time);
  EXPECT_DOUBLE_EQ(back.runs[0].downloadConverted, 2007.8);
  EXPECT_DOUBLE_EQ(back.runs[0].rttMs, 12.2);  // one decimal, as the history keeps it
  EXPECT_EQ(back.runs[0].origin, "schedule");
  EXPECT_DOUBLE_EQ(back.runs[0].jitterMs, 0.8);
  EXPECT_DOUBLE_EQ(back.runs[0].downloadLoadedMs, 245.5);
  EXPECT_EQ(back.runs[0].uploadLoadedMs, -1.0);
  EXPECT_EQ(back.runs[0].latencyGrade, "D");
  EXPECT_DOUBLE_EQ(back.runs[0].uploadRetransmittedPct, 0.3);
  EXPECT_EQ(back.runs[1].server, old.server);
  EXPECT_EQ(back.runs[1].rttMs, -1.0);
  EXPECT_EQ(RunsAsCsv({}), kResultHeader);
}

}  // namespace
