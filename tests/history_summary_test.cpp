// The result history as a customer looks at it: ranges at their edges, the summary, the tier
// bands against the tier matching, and the text a customer sends to support.
#include "speedtest/history_summary.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "speedtest/history_export.h"
#include "speedtest/rate_conversion.h"
#include "speedtest/schedule_policy.h"

#include "tests/support/utc_local_time.h"

namespace {

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

// A range holds the runs from its start, inclusive, up to now; none from the future.
TEST(HistorySummary, RangesAtTheirEdges) {
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

TEST(HistorySummary, SummaryNamesTheMediansAndTheProductMostNamed) {
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
TEST(HistorySummary, TierBandsAgreeWithTheTierMatching) {
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

TEST(HistorySummary, TextForSupport) {
  UseUtcAsLocalTime();
  CHistoryRun run = HistoryRun(kNoon, 2007.8, 508.7, "2048/512");
  run.rttMs = 12.25;
  run.server = "ftp.lumvik.dk:21";
  run.origin = "schedule";
  run.jitterMs = 0.84;
  run.downloadLoadedMs = 245.5;
  run.latencyGrade = "D";
  run.uploadRetransmittedPct = 0.26;
  run.lineDownload = 876543.2;
  run.lineUpload = 97656.3;
  run.lineUploadAtLeast = true;
  CHistoryRun old = HistoryRun(kNoon + 3600, 900, 400, "");
  EXPECT_EQ(RunsAsText({run, old}, "3.0.0.4"),
            "Lumvik Hastighedstest 3.0.0.4: 2 målinger (kbit/s omregnet, målt i parentes)\n"
            "09-12-2026 12:00  download 2008 (1673)  upload 509 (424)  Lumvik Bredbånd 2048/512  "
            "forsøg 1  svartid 12,2 ms  jitter 0,8 ms  under belastning ned 245,5 ms, op ikke "
            "målt  karakter D  hele linjen 897,6 Mbit/s ned, mindst 100,0 Mbit/s op  server "
            "ftp.lumvik.dk:21\n"
            "09-12-2026 13:00  download 900 (750)  upload 400 (333)  intet produkt  forsøg 1  "
            "svartid ikke målt  jitter ikke målt  under belastning ned ikke målt, op ikke målt  "
            "karakter ikke målt  server ikke noteret\n");
}

}  // namespace

// The hourly schedule measures the whole line as often as chosen, daily at most once in 23
// hours.
TEST(HistorySummary, ScheduleMeasuresTheWholeLineAsOftenAsChosen) {
  CHistory history{{HistoryRun(kNoon - 2 * kDay, 1000, 500, ""), HistoryRun(kNoon, 1000, 500, "")}};
  CHistoryRun& line = history.runs.back();
  line.lineDownload = 300000.0;
  for (const std::time_t after : {23 * 3600L - 1, 23 * 3600L}) {
    for (const auto choice :
         {WholeLineSchedule::kEveryRun, WholeLineSchedule::kDaily, WholeLineSchedule::kNever}) {
      const bool due = choice == WholeLineSchedule::kEveryRun ||
                       (choice == WholeLineSchedule::kDaily && after == 23 * 3600L);
      EXPECT_EQ(ScheduledWholeLine(choice, history, kNoon + after),
                due ? WholeLine::kBeyondTiers : WholeLine::kNever);
    }
  }
  EXPECT_LT(MonthlyMegabytes(WholeLineSchedule::kDaily, history), 0.0);  // no data recorded
}
