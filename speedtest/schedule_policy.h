// What the hourly schedule measures and what it costs: the whole line at most as often as
// the customer chose (every run, once a day, never), and the data a month of hourly runs
// moves with that choice, from what the history recorded. Pure computation: no file.
#pragma once

#include <ctime>
#include <string>

#include "speedtest/history_format.h"
#include "speedtest/run.h"

enum class WholeLineSchedule { kEveryRun, kDaily, kNever };

// The choice's name on the command line and in the installed schedule: "every-run",
// "daily", "never"; false for any other name.
const char* WholeLineScheduleName(WholeLineSchedule choice);
bool ParseWholeLineSchedule(const std::string& name, WholeLineSchedule* choice);

// What a scheduled run at `now` measures of the whole line: nothing where the choice is
// never, or where it is daily and the history has a whole line of the last day.
WholeLine ScheduledWholeLine(WholeLineSchedule choice, const CHistory& history, std::time_t now);

// The megabytes a month (30 days of hourly runs) moves with `choice`, from the latest
// recorded run without the whole line and the latest with it; negative where the history
// does not tell (a run with the whole line counts as one without where none was recorded).
double MonthlyMegabytes(WholeLineSchedule choice, const CHistory& history);
