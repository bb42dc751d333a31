#include "speedtest/campaign.h"

#include <algorithm>

#include "kernel/calendar.h"
#include "kernel/directories.h"
#include "speedtest/connection.h"
#include "speedtest/rate_conversion.h"
#include "speedtest/record_store.h"

namespace {

constexpr char kFileHeading[] = "# Lumvik Hastighed: a measurement campaign";
constexpr std::time_t kMinGap = 5 * 60;
constexpr std::time_t kGapBeforeSixth = 3 * 3600;
constexpr double kMaximumShare = 0.9;
constexpr double kNormalShare = 0.9;
// A day's first run at this hour or later leaves too little of the day for ten runs with
// the three hours' pause: its day would not be complete.
constexpr int kLastStartHour = 13;

// The local calendar day of a moment, numbered: consecutive days, consecutive numbers.
long LocalDay(std::time_t time) {
  const std::tm parts = LocalParts(time);
  const long year = parts.tm_year + 1900L - (parts.tm_mon < 2 ? 1 : 0);
  const long era = (year >= 0 ? year : year - 399) / 400;
  const long yearOfEra = year - era * 400;
  const long month = parts.tm_mon + 1;
  const long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + parts.tm_mday - 1;
  const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra;
}

// Why a valid run cannot count on its day as the campaign stands; empty when it can.
std::string DayProblem(const CCampaignDay& day, std::time_t time) {
  const std::vector<CHistoryRun>& counted = day.counted;
  if (counted.size() >= static_cast<std::size_t>(kCampaignRunsPerDay)) return "dagens 10 er målt";
  if (!counted.empty() && time - counted.back().time < kMinGap) {
    return "under 5 minutter efter den forrige";
  }
  if (counted.size() == 5 && time - counted.back().time < kGapBeforeSixth) {
    return "under 3 timer efter dagens 5.";
  }
  return "";
}

// Whether `day` may be a new measurement day after the complete ones.
bool MayBeginDay(const CCampaignState& state, long day) {
  if (state.days.size() >= static_cast<std::size_t>(kCampaignDays)) return false;
  return state.days.empty() || day >= state.days.back().day + 2;
}

}  // namespace

std::string CampaignFileText(const CCampaign& campaign) {
  if (!campaign.IsSet()) return std::string();
  std::string text =
      std::string(kFileHeading) + "\nstarted=" + UtcTimestamp(campaign.started) + "\n";
  if (campaign.stopped > 0) text += "stopped=" + UtcTimestamp(campaign.stopped) + "\n";
  const std::string subscription = SubscriptionFileText(campaign.subscription);
  return text + subscription.substr(subscription.find('\n') + 1);
}

CCampaign ParseCampaignFile(const std::string& text) {
  CCampaign campaign;
  std::string speeds;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    bool read = true;
    if (line.rfind("started=", 0) == 0) {
      read = ParseUtcTimestamp(line.substr(8), &campaign.started);
    } else if (line.rfind("stopped=", 0) == 0) {
      read = ParseUtcTimestamp(line.substr(8), &campaign.stopped);
    } else {
      speeds += line + "\n";
    }
    if (!read) return CCampaign();
  }
  campaign.subscription = ParseSubscriptionFile(speeds);
  return campaign.subscription.IsSet() && campaign.started > 0 ? campaign : CCampaign();
}

CCampaign LoadCampaign() {
  return ParseCampaignFile(ReadDataFile(kCampaignName));
}

bool SaveCampaign(const CCampaign& campaign, std::string* failure) {
  return KeepDataFile(kCampaignName, CampaignFileText(campaign), failure);
}

double BestMbit(const CHistoryRun& run, bool upload) {
  const double line = upload ? run.lineUpload : run.lineDownload;
  const double raw = upload ? run.upload : run.download;
  return MbitOfKbit(line >= 0.0 ? line : raw);
}

std::string CampaignRunProblem(const CHistoryRun& run, const CSubscription& subscription) {
  if (run.download <= 0.0 || run.upload <= 0.0) return "intet resultat";
  if (run.connectionKind != "cable") {
    return run.connectionKind == "wifi" ? "målt over Wi-Fi" : "ikke målt over kabel";
  }
  const double fastest = std::max(subscription.maximum.download, subscription.maximum.upload);
  if (run.linkSpeedMbit > 0.0 && run.linkSpeedMbit < fastest) {
    return "netværkskortet er langsommere end abonnementet";
  }
  for (const bool upload : {false, true}) {
    const double other = std::max(upload ? run.otherUploadMbit : run.otherDownloadMbit,
                                  upload ? run.householdUploadMbit : run.householdDownloadMbit);
    if (OtherTrafficDisturbed(other, KbitOfMbit(BestMbit(run, upload)))) {
      return "anden trafik under målingen";
    }
  }
  return "";
}

CCampaignState FollowCampaign(const CCampaign& campaign, const CHistory& history, std::time_t now) {
  CCampaignState state;
  state.ends = campaign.started + kCampaignLengthDays * 86400;
  const std::time_t until = std::min(campaign.stopped > 0 ? campaign.stopped : state.ends, now + 1);
  CCampaignDay open;
  bool allowed = false;  // whether the open day may be a measurement day
  const auto close = [&](bool finished) {
    if (open.counted.size() == static_cast<std::size_t>(kCampaignRunsPerDay) || !finished) {
      if (!open.counted.empty()) state.days.push_back(open);
    } else {
      for (const CHistoryRun& run : open.counted)
        state.missed.push_back({run, "dagen blev ikke fuldført"});
    }
    open = CCampaignDay();
  };
  for (const CHistoryRun& run : history.runs) {
    if (run.origin != kCampaignOrigin || run.time < campaign.started || run.time >= until) continue;
    std::string why = CampaignRunProblem(run, campaign.subscription);
    const long day = LocalDay(run.time);
    if (why.empty() && day != open.day) {
      if (!open.counted.empty()) close(true);
      open.day = day;
      allowed = MayBeginDay(state, day);
    }
    if (why.empty() && !allowed) why = "ingen måledag";
    if (why.empty()) why = DayProblem(open, run.time);
    if (why.empty()) {
      open.counted.push_back(run);
    } else {
      state.missed.push_back({run, why});
    }
  }
  // A day still under way stays open; one that has passed is complete or does not count.
  close(open.day != LocalDay(now) || campaign.stopped > 0 || now >= state.ends);
  state.complete =
      state.days.size() == static_cast<std::size_t>(kCampaignDays) &&
      state.days.back().counted.size() == static_cast<std::size_t>(kCampaignRunsPerDay);
  state.over = state.complete || campaign.stopped > 0 || now >= state.ends;
  return state;
}

bool CampaignRunDue(const CCampaign& campaign, const CCampaignState& state, std::time_t now) {
  if (!campaign.IsSet() || state.over) return false;
  const long today = LocalDay(now);
  if (!state.days.empty() && state.days.back().day == today &&
      state.days.back().counted.size() < static_cast<std::size_t>(kCampaignRunsPerDay)) {
    return DayProblem(state.days.back(), now).empty();
  }
  if (!state.days.empty() && state.days.back().day == today) return false;  // its 10 are in
  return MayBeginDay(state, today) && LocalParts(now).tm_hour < kLastStartHour;
}

std::time_t NextCampaignRun(const CCampaign& campaign, const CCampaignState& state,
                            std::time_t now) {
  if (!campaign.IsSet() || state.over) return 0;
  const long today = LocalDay(now);
  if (!state.days.empty() && state.days.back().day == today &&
      state.days.back().counted.size() < static_cast<std::size_t>(kCampaignRunsPerDay)) {
    const std::vector<CHistoryRun>& counted = state.days.back().counted;
    return std::max({now, counted.back().time + kMinGap,
                     counted.size() == 5 ? counted.back().time + kGapBeforeSixth : now});
  }
  for (int ahead = 0; ahead <= kCampaignLengthDays; ++ahead) {
    std::tm parts = LocalParts(now);
    parts.tm_mday += ahead;
    parts.tm_hour = parts.tm_min = parts.tm_sec = 0;
    parts.tm_isdst = -1;
    const std::time_t midnight = std::mktime(&parts);
    const bool started = !state.days.empty() && state.days.back().day == LocalDay(midnight);
    if (started || !MayBeginDay(state, LocalDay(midnight))) continue;
    const std::time_t from = std::max(now, midnight);
    if (LocalParts(from).tm_hour < kLastStartHour) return from < state.ends ? from : 0;
  }
  return 0;
}

std::string CampaignProgressText(const CCampaign& campaign, const CCampaignState& state,
                                 std::time_t now) {
  if (!campaign.IsSet()) return "Ingen målekampagne.";
  std::string text = "Målekampagne";
  for (std::size_t i = 0; i < state.days.size(); ++i) {
    text += std::string(i == 0 ? ": " : ", ") + "dag " + std::to_string(i + 1) + " " +
            std::to_string(state.days[i].counted.size()) + " af " +
            std::to_string(kCampaignRunsPerDay);
  }
  if (state.complete) return text + "; fuldført.";
  if (campaign.stopped > 0) return text + "; stoppet.";
  if (state.over) return text + "; slut efter 14 dage, ikke fuldført.";
  const std::time_t next = NextCampaignRun(campaign, state, now);
  return text + (state.days.empty() ? ": ingen målinger endnu" : "") +
         (next > 0
              ? "; næste måling tidligst " + LocalTimeText(next) + " (med den timelige måling)."
              : ".");
}

std::vector<CHistoryRun> CountedRuns(const CCampaignState& state) {
  std::vector<CHistoryRun> runs;
  for (const CCampaignDay& day : state.days) {
    if (day.counted.size() != static_cast<std::size_t>(kCampaignRunsPerDay)) continue;
    runs.insert(runs.end(), day.counted.begin(), day.counted.end());
  }
  return runs;
}

CCampaignVerdict JudgeCampaign(const CCampaign& campaign, const CCampaignState& state,
                               bool upload) {
  const CSubscription& subscription = campaign.subscription;
  const auto way = [upload](const CSpeedPair& pair) {
    return upload ? pair.upload : pair.download;
  };
  CCampaignVerdict verdict;
  const bool normal = way(subscription.normallyAvailable) > 0.0;
  const bool minimum = way(subscription.minimum) > 0.0;
  if (normal) verdict.runsReachingNormal = 0;
  if (minimum) verdict.daysUndercuttingMinimum = 0;
  for (const CCampaignDay& day : state.days) {
    if (day.counted.size() != static_cast<std::size_t>(kCampaignRunsPerDay)) continue;
    verdict.days++;
    bool ninety = false;
    bool undercut = false;
    for (const CHistoryRun& run : day.counted) {
      const double mbit = BestMbit(run, upload);
      verdict.runs++;
      ninety = ninety || mbit >= kMaximumShare * way(subscription.maximum);
      if (normal && mbit >= way(subscription.normallyAvailable)) verdict.runsReachingNormal++;
      undercut = undercut || (minimum && mbit < way(subscription.minimum));
    }
    if (ninety) verdict.daysReachingNinetyPct++;
    if (undercut) verdict.daysUndercuttingMinimum++;
  }
  if (verdict.days < kCampaignDays) return verdict;  // no verdict on an unfinished campaign
  verdict.maximumShort = verdict.daysReachingNinetyPct < 2;
  verdict.normalShort = normal && verdict.runsReachingNormal < kNormalShare * verdict.runs;
  verdict.minimumShort = minimum && verdict.daysUndercuttingMinimum >= 2;
  return verdict;
}
