#include "speedtest/schedule_policy.h"

namespace {

// A day less an hour: the hourly runs come at a fixed minute of the hour, give or take the
// time a run takes, so the run a day after the last whole line is due.
constexpr double kDaySeconds = 23 * 3600.0;
constexpr double kRunsPerMonth = 30 * 24;
constexpr double kDaysPerMonth = 30;

bool MeasuredTheLine(const CHistoryRun& run) {
  return run.lineDownload >= 0.0 || run.lineUpload >= 0.0;
}

// The data of the latest run with the whole line (`withLine`) or without; negative if none.
double LatestMegabytes(const CHistory& history, bool withLine) {
  for (auto run = history.runs.rbegin(); run != history.runs.rend(); ++run) {
    if (MeasuredTheLine(*run) != withLine || run->dataDownloadMB < 0.0) continue;
    return run->dataDownloadMB + std::max(0.0, run->dataUploadMB);
  }
  return -1.0;
}

}  // namespace

const char* WholeLineScheduleName(WholeLineSchedule choice) {
  switch (choice) {
    case WholeLineSchedule::kEveryRun:
      return "every-run";
    case WholeLineSchedule::kNever:
      return "never";
    case WholeLineSchedule::kDaily:
      break;
  }
  return "daily";
}

bool ParseWholeLineSchedule(const std::string& name, WholeLineSchedule* choice) {
  for (const WholeLineSchedule each :
       {WholeLineSchedule::kEveryRun, WholeLineSchedule::kDaily, WholeLineSchedule::kNever}) {
    if (name != WholeLineScheduleName(each)) continue;
    *choice = each;
    return true;
  }
  return false;
}

WholeLine ScheduledWholeLine(WholeLineSchedule choice, const CHistory& history, std::time_t now) {
  if (choice == WholeLineSchedule::kNever) return WholeLine::kNever;
  if (choice == WholeLineSchedule::kEveryRun) return WholeLine::kBeyondTiers;
  for (const CHistoryRun& run : history.runs) {
    // A run in the future (a clock put back) counts as today's.
    if (MeasuredTheLine(run) && std::difftime(now, run.time) < kDaySeconds) {
      return WholeLine::kNever;
    }
  }
  return WholeLine::kBeyondTiers;
}

double MonthlyMegabytes(WholeLineSchedule choice, const CHistory& history) {
  double plain = LatestMegabytes(history, false);
  const double line = LatestMegabytes(history, true);
  if (plain < 0.0) plain = line;
  if (plain < 0.0) return -1.0;
  if (choice == WholeLineSchedule::kNever || line < 0.0) return kRunsPerMonth * plain;
  const double lineRuns = choice == WholeLineSchedule::kDaily ? kDaysPerMonth : kRunsPerMonth;
  return (kRunsPerMonth - lineRuns) * plain + lineRuns * line;
}
