// A measurement campaign: 30 runs on 3 calendar days, 10 a day, that together show whether
// the line delivers the subscription. The rules are the German regulator's for its desktop
// measurement (Allgemeinverfügung 99/2021): a calendar day without runs between measurement
// days, all within 14 days, at least 5 minutes between runs and 3 hours between a day's 5th
// and 6th. A direction falls short where 90% of the maximum is reached on fewer than 2 of
// the 3 days, the normally available speed in fewer than 90% of the runs, or the minimum is
// undercut on 2 of the 3 days. The campaign records facts and names the rule; the provider
// or the complaints board decides. Pure, but for the file it is kept in.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "speedtest/history_format.h"
#include "speedtest/subscription.h"

inline constexpr int kCampaignDays = 3;
inline constexpr int kCampaignRunsPerDay = 10;
inline constexpr int kCampaignLengthDays = 14;
// The origin a campaign's runs have in the history.
inline constexpr char kCampaignOrigin[] = "campaign";

struct CCampaign {
  std::time_t started = 0;     // 0: no campaign
  std::time_t stopped = 0;     // when the customer stopped it; 0 while not
  CSubscription subscription;  // as it stood when the campaign began
  bool IsSet() const { return started > 0; }
};

// The campaign as its file holds it, and back; a text that is not one reads as none.
std::string CampaignFileText(const CCampaign& campaign);
CCampaign ParseCampaignFile(const std::string& text);
// The campaign in the user's data folder: none where the file is missing or unreadable.
CCampaign LoadCampaign();
// Keeps it, or removes it where it is not set; false, with the cause, when that failed.
bool SaveCampaign(const CCampaign& campaign, std::string* failure);

// Why a campaign's run cannot count (in Danish, for the protocol); empty when it can: it
// has figures, ran over a cable no slower than the maximum, and little other traffic.
std::string CampaignRunProblem(const CHistoryRun& run, const CSubscription& subscription);

// A measurement day (a local calendar day, numbered) and the runs that count on it.
struct CCampaignDay {
  long day = 0;
  std::vector<CHistoryRun> counted;
};
// A run of the campaign that did not count, and why.
struct CCampaignMiss {
  CHistoryRun run;
  std::string why;
};
// Where a campaign stands at a moment, after the history.
struct CCampaignState {
  std::vector<CCampaignDay> days;  // complete days, then today's while under way
  std::vector<CCampaignMiss> missed;
  std::time_t ends = 0;   // 14 days after the start
  bool complete = false;  // 3 complete days
  bool over = false;      // complete, stopped or past its 14 days
};
CCampaignState FollowCampaign(const CCampaign& campaign, const CHistory& history, std::time_t now);
// Whether a scheduled run at `now` is to be one of the campaign's.
bool CampaignRunDue(const CCampaign& campaign, const CCampaignState& state, std::time_t now);
// The earliest moment from `now` at which a run could count; 0 once the campaign is over.
std::time_t NextCampaignRun(const CCampaign& campaign, const CCampaignState& state,
                            std::time_t now);
// Where the campaign stands, in Danish for the window: its days' counts and the next run.
std::string CampaignProgressText(const CCampaign& campaign, const CCampaignState& state,
                                 std::time_t now);
// The complete days' runs, oldest first.
std::vector<CHistoryRun> CountedRuns(const CCampaignState& state);

// One direction's verdict over the complete days, with the figures each criterion rests on.
struct CCampaignVerdict {
  int days = 0;
  int daysReachingNinetyPct = 0;  // days on which a run reached 90% of the maximum
  int runs = 0;
  int runsReachingNormal = -1;  // -1 where the subscription names no such speed
  int daysUndercuttingMinimum = -1;
  bool maximumShort = false;
  bool normalShort = false;
  bool minimumShort = false;
  bool Short() const { return maximumShort || normalShort || minimumShort; }
};
CCampaignVerdict JudgeCampaign(const CCampaign& campaign, const CCampaignState& state, bool upload);
// A run's best figure in the direction, in Mbit/s: the whole line where measured, else the
// test file's rate.
double BestMbit(const CHistoryRun& run, bool upload);
