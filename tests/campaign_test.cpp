// The measurement campaign's rules at their edges: each criterion, the days and their
// spacing, runs that cannot count made up, the 14 days, and when the schedule runs one.
#include "speedtest/campaign.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr std::time_t kDay = 86400;
constexpr std::time_t kHour = 3600;
constexpr std::time_t kStart = 1796860800;  // 2026-12-10T00:00:00Z, a local midnight in UTC
const double kKbitPerMbit = 1e6 / 1024.0;

class CampaignTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    _putenv_s("TZ", "UTC");
    _tzset();
#else
    setenv("TZ", "UTC", 1);
    tzset();
#endif
    campaign.started = kStart;
    ParseSpeedPair("300/300", &campaign.subscription.maximum);
    ParseSpeedPair("270/270", &campaign.subscription.normallyAvailable);
    ParseSpeedPair("150/150", &campaign.subscription.minimum);
  }

  // A valid campaign run at `time` whose whole line reads `down` and `up` Mbit/s.
  void Run(std::time_t time, double down = 290.0, double up = 290.0) {
    CHistoryRun run;
    run.time = time;
    run.download = run.upload = 8000.0;
    run.lineDownload = down * kKbitPerMbit;
    run.lineUpload = up * kKbitPerMbit;
    run.origin = kCampaignOrigin;
    run.connectionKind = "cable";
    run.linkSpeedMbit = 1000.0;
    history.runs.push_back(run);
  }
  // A day's ten runs: five hourly from midnight, five hourly from 08:00.
  void Day(int day, double down = 290.0, double up = 290.0) {
    for (int i = 0; i < 10; ++i) Run(kStart + day * kDay + (i < 5 ? i : i + 3) * kHour, down, up);
  }

  CCampaign campaign;
  CHistory history;
};

TEST_F(CampaignTest, EachCriterionAtItsEdge) {
  Day(0);
  Day(2);
  Day(4);
  const std::time_t after = kStart + 5 * kDay;
  CCampaignState state = FollowCampaign(campaign, history, after);
  EXPECT_TRUE(state.complete);
  EXPECT_EQ(CountedRuns(state).size(), 30u);
  EXPECT_FALSE(JudgeCampaign(campaign, state, true).Short());

  // The normally available reached in 27 of 30 runs is 90%: enough; in 26 it falls short.
  for (int i = 0; i < 3; ++i) history.runs[i].lineUpload = 269.9 * kKbitPerMbit;
  CCampaignVerdict up = JudgeCampaign(campaign, FollowCampaign(campaign, history, after), true);
  EXPECT_EQ(up.runsReachingNormal, 27);
  EXPECT_FALSE(up.Short());
  history.runs[3].lineUpload = 200.0 * kKbitPerMbit;
  up = JudgeCampaign(campaign, FollowCampaign(campaign, history, after), true);
  EXPECT_TRUE(up.normalShort);
  EXPECT_FALSE(up.maximumShort || up.minimumShort);

  // 90% of the maximum missed on one day of three: enough; on two it falls short. The
  // minimum undercut on one day: enough; on two it falls short.
  for (int i = 0; i < 20; ++i) {
    history.runs[i].lineDownload = (i < 10 ? 269.9 : 280.0) * kKbitPerMbit;
  }
  history.runs[0].lineDownload = 149.9 * kKbitPerMbit;
  CCampaignVerdict down = JudgeCampaign(campaign, FollowCampaign(campaign, history, after), false);
  EXPECT_EQ(down.daysReachingNinetyPct, 2);
  EXPECT_EQ(down.daysUndercuttingMinimum, 1);
  EXPECT_FALSE(down.maximumShort || down.minimumShort);
  for (int i = 10; i < 20; ++i) history.runs[i].lineDownload = 269.9 * kKbitPerMbit;
  history.runs[10].lineDownload = 100.0 * kKbitPerMbit;
  down = JudgeCampaign(campaign, FollowCampaign(campaign, history, after), false);
  EXPECT_TRUE(down.maximumShort);
  EXPECT_TRUE(down.minimumShort);
}

TEST_F(CampaignTest, DaysSpacingMissedRunsMadeUpAndTheFourteenDays) {
  Day(0);
  Run(kStart + 5 * kHour);            // an hour after the 5th: too soon
  Run(kStart + 12 * kHour + 2 * 60);  // two minutes after the 10th
  Run(kStart + kDay + 2 * kHour);     // the day after a measurement day
  Day(2);
  history.runs.back().connectionKind = "wifi";  // the 10th of day 2 over Wi-Fi ...
  Run(kStart + 2 * kDay + 13 * kHour);          // ... made up an hour later
  Day(5);
  history.runs[history.runs.size() - 3].otherDownloadMbit = 30.0;  // 10% of the figure
  std::sort(history.runs.begin(), history.runs.end(),
            [](const CHistoryRun& a, const CHistoryRun& b) { return a.time < b.time; });
  CCampaignState state = FollowCampaign(campaign, history, kStart + 6 * kDay);
  ASSERT_EQ(state.days.size(), 2u);  // day 5 lost a run to the other traffic, and is over
  EXPECT_EQ(state.days[1].counted.size(), 10u);
  EXPECT_FALSE(state.complete);
  std::vector<std::string> why;
  for (const CCampaignMiss& miss : state.missed) why.push_back(miss.why);
  EXPECT_EQ(why[0], "under 3 timer efter dagens 5.");
  EXPECT_EQ(why[1], "dagens 10 er målt");
  EXPECT_EQ(why[2], "ingen måledag");
  EXPECT_EQ(why[3], "målt over Wi-Fi");
  EXPECT_EQ(why[4], "anden trafik under målingen");
  EXPECT_EQ(why.back(), "dagen blev ikke fuldført");
  EXPECT_FALSE(state.over);  // a third day may still come within the 14
  EXPECT_FALSE(JudgeCampaign(campaign, state, false).Short());  // no verdict without 3 days

  // The 14 days: runs after them do not count, and the campaign is over.
  campaign.started = kStart - 10 * kDay;
  state = FollowCampaign(campaign, history, kStart + 6 * kDay);
  EXPECT_EQ(state.days.size(), 2u);
  EXPECT_TRUE(state.over);
  EXPECT_FALSE(CampaignRunDue(campaign, state, kStart + 6 * kDay));
}

TEST_F(CampaignTest, WhenTheScheduleRunsOneAndTheFileReadBack) {
  const CCampaignState none = FollowCampaign(campaign, history, kStart);
  EXPECT_TRUE(CampaignRunDue(campaign, none, kStart + 9 * kHour));
  EXPECT_FALSE(CampaignRunDue(campaign, none, kStart + 13 * kHour));  // too late for ten
  for (int i = 0; i < 5; ++i) Run(kStart + i * kHour);
  const CCampaignState five = FollowCampaign(campaign, history, kStart + 5 * kHour);
  EXPECT_FALSE(CampaignRunDue(campaign, five, kStart + 6 * kHour));
  EXPECT_TRUE(CampaignRunDue(campaign, five, kStart + 7 * kHour));
  EXPECT_EQ(NextCampaignRun(campaign, five, kStart + 5 * kHour), kStart + 7 * kHour);
  EXPECT_EQ(CampaignProgressText(campaign, five, kStart + 5 * kHour),
            "Målekampagne: dag 1 5 af 10; næste måling tidligst 10-12-2026 07:00 (med den "
            "timelige måling).");
  Day(0);
  history.runs.erase(history.runs.begin(), history.runs.begin() + 5);
  const CCampaignState done = FollowCampaign(campaign, history, kStart + 13 * kHour);
  EXPECT_FALSE(CampaignRunDue(campaign, done, kStart + 14 * kHour));
  EXPECT_FALSE(CampaignRunDue(campaign, done, kStart + kDay + 2 * kHour));  // the day between
  EXPECT_TRUE(CampaignRunDue(campaign, done, kStart + 2 * kDay + 2 * kHour));
  EXPECT_EQ(NextCampaignRun(campaign, done, kStart + 14 * kHour), kStart + 2 * kDay);

  campaign.stopped = kStart + kDay;
  const CCampaign back = ParseCampaignFile(CampaignFileText(campaign));
  EXPECT_EQ(CampaignFileText(back), CampaignFileText(campaign));
  EXPECT_EQ(back.stopped, campaign.stopped);
  EXPECT_FALSE(ParseCampaignFile("started=yesterday\n").IsSet());
  EXPECT_TRUE(FollowCampaign(campaign, history, kStart + 3 * kDay).over);
}

}  // namespace
