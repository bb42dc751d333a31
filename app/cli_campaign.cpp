#include "app/cli_campaign.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "app/program_identity.h"
#include "kernel/calendar.h"
#include "kernel/directories.h"
#include "kernel/hourly_schedule.h"
#include "speedtest/campaign.h"
#include "speedtest/protocol.h"
#include "speedtest/record_store.h"

namespace {

using nlohmann::json;

constexpr char kRule[] =
    "Allgemeinverfügung 99/2021 (Bundesnetzagentur): 3 days of 10 runs, a day between "
    "measurement days, within 14 days";

json VerdictJson(const CCampaignVerdict& verdict) {
  const auto known = [](int count) { return count < 0 ? json() : json(count); };
  return {{"days", verdict.days},
          {"days_reaching_90pct_of_maximum", verdict.daysReachingNinetyPct},
          {"runs", verdict.runs},
          {"runs_reaching_normally_available", known(verdict.runsReachingNormal)},
          {"days_undercutting_minimum", known(verdict.daysUndercuttingMinimum)},
          {"maximum_short", verdict.maximumShort},
          {"normally_available_short", verdict.normalShort},
          {"minimum_short", verdict.minimumShort},
          {"short", verdict.Short()}};
}

json StatusJson(const CCampaign& campaign, const CCampaignState& state, bool due) {
  json days = json::array();
  for (const CCampaignDay& day : state.days) {
    days.push_back({{"date", TimeText("%Y-%m-%d", LocalParts(day.counted.front().time))},
                    {"counted", day.counted.size()}});
  }
  json missed = json::array();
  for (const CCampaignMiss& miss : state.missed) {
    missed.push_back({{"time", UtcTimestamp(miss.run.time)}, {"why", miss.why}});
  }
  json out = {{"started", UtcTimestamp(campaign.started)},
              {"ends", UtcTimestamp(state.ends)},
              {"stopped", campaign.stopped > 0 ? json(UtcTimestamp(campaign.stopped)) : json()},
              {"complete", state.complete},
              {"over", state.over},
              {"run_due_now", due},
              {"rule", kRule},
              {"days", days},
              {"missed", missed}};
  out["verdict"] = json();
  if (state.complete) {
    out["verdict"] = {{"download", VerdictJson(JudgeCampaign(campaign, state, false))},
                      {"upload", VerdictJson(JudgeCampaign(campaign, state, true))}};
  }
  return out;
}

void PrintStatus(const CCampaign& campaign, const CCampaignState& state, bool due) {
  std::printf("campaign: started %s, ends %s%s\n", LocalTimeText(campaign.started).c_str(),
              LocalTimeText(state.ends).c_str(),
              campaign.stopped > 0 ? " (stopped)"
              : state.over         ? " (over)"
                                   : "");
  int number = 1;
  for (const CCampaignDay& day : state.days) {
    std::printf("day %d, %s: %zu of %d runs\n", number++,
                TimeText("%d-%m-%Y", LocalParts(day.counted.front().time)).c_str(),
                day.counted.size(), kCampaignRunsPerDay);
  }
  std::printf("runs that did not count: %zu\n", state.missed.size());
  if (!state.over) std::printf("a run is due now: %s\n", due ? "yes" : "no");
  if (!state.complete) return;
  for (const bool upload : {false, true}) {
    const CCampaignVerdict verdict = JudgeCampaign(campaign, state, upload);
    std::printf(
        "%s: %s (90%% of the maximum on %d of %d days; normally available in %d of %d "
        "runs; minimum undercut on %d days)\n",
        upload ? "upload" : "download", verdict.Short() ? "falls short" : "meets the rule",
        verdict.daysReachingNinetyPct, verdict.days, verdict.runsReachingNormal, verdict.runs,
        verdict.daysUndercuttingMinimum);
  }
}

CHistory History() {
  CHistory history;
  std::string unread;
  LoadHistory(ResultHistoryPath(), &history, &unread);
  return history;
}

int Start() {
  CCampaign campaign;
  campaign.started = std::time(nullptr);
  campaign.subscription = LoadSubscription();
  if (!campaign.subscription.IsSet()) {
    std::fprintf(stderr, "%s: a campaign needs the subscription: set it with --subscription\n",
                 kCliProgramName);
    return 1;
  }
  std::string failure;
  if (!SaveCampaign(campaign, &failure)) {
    std::fprintf(stderr, "%s: the campaign cannot be kept: %s\n", kCliProgramName, failure.c_str());
    return 1;
  }
  std::printf("campaign: started, for %s Mbit/s\n",
              SpeedPairText(campaign.subscription.maximum).c_str());
  if (QueryHourlySchedule().state != ScheduleState::kOn) {
    std::printf("hourly measuring is off: the campaign measures once it is on (--schedule on)\n");
  }
  return 0;
}

}  // namespace

int CampaignCommand(const std::string& what, bool asJson) {
  if (what == "start") return Start();
  CCampaign campaign = LoadCampaign();
  if (!campaign.IsSet()) {
    std::printf(asJson ? "null\n" : "no campaign\n");
    return 0;
  }
  const std::time_t now = std::time(nullptr);
  if (what == "stop" && campaign.stopped == 0) {
    campaign.stopped = now;
    std::string failure;
    if (!SaveCampaign(campaign, &failure)) {
      std::fprintf(stderr, "%s: the campaign cannot be kept: %s\n", kCliProgramName,
                   failure.c_str());
      return 1;
    }
  }
  const CCampaignState state = FollowCampaign(campaign, History(), now);
  const bool due = CampaignRunDue(campaign, state, now);
  if (asJson) {
    std::printf("%s\n", StatusJson(campaign, state, due)
                            .dump(-1, ' ', false, json::error_handler_t::replace)
                            .c_str());
  } else {
    PrintStatus(campaign, state, due);
  }
  return 0;
}

bool CampaignRunNow(const CHistory& history, std::time_t now) {
  const CCampaign campaign = LoadCampaign();
  return campaign.IsSet() && CampaignRunDue(campaign, FollowCampaign(campaign, history, now), now);
}

int ProtocolCommand(const std::string& path, const std::string& testPoint) {
  CProtocolFacts facts;
  facts.campaign = LoadCampaign();
  facts.subscription = facts.campaign.IsSet() ? facts.campaign.subscription : LoadSubscription();
  facts.history = History();
  facts.now = std::time(nullptr);
  facts.version = LUMVIK_VERSION;
  facts.testPoint = testPoint;
  std::string failure;
  if (!WriteProtocol(facts, path, &failure)) {
    std::fprintf(stderr, "%s: the protocol cannot be written: %s\n", kCliProgramName,
                 failure.c_str());
    return 1;
  }
  std::printf("protocol: %s\n", path.c_str());
  return 0;
}
