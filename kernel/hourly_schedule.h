// Hourly measuring without anyone at the keyboard: the systemd user timer that the Debian
// package ships (Linux), or a task of the user's own in the Task Scheduler (Windows). Each
// starts the command-line program's scheduled run with the arguments it was turned on with;
// both spread the runs over the whole hour, each computer at a minute of its own, so that the
// provider's server does not see every customer at once.
#pragma once

#include <string>

enum class ScheduleState { kOn, kOff, kUnavailable };

struct CScheduleStatus {
  ScheduleState state = ScheduleState::kUnavailable;
  std::string detail;     // why it is unavailable, or what runs it
  std::string arguments;  // on: what the scheduled run is given after --scheduled
};

// Whether hourly measuring is on for this user.
CScheduleStatus QueryHourlySchedule();
// Turns hourly measuring on, each run given `arguments` after --scheduled (words without
// quotes or blanks within), or off, for this user; false with the reason in `why`, the
// schedule then as it was. True when done; `why` then says what of the schedule the system
// would not take (empty when it took all of it).
bool SetHourlySchedule(bool on, const std::string& arguments, std::string* why);
