// lumvik-hastighed-cli: one speed test without a window, for support desks, scripts and
// scheduled tasks. The same run as the window program's, against the same built-in server.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <ctime>
#include <string>

#include "app/cli_campaign.h"
#include "app/cli_progress.h"
#include "app/cli_report.h"
#include "app/cli_subscription.h"
#include "app/program_identity.h"
#include "kernel/console.h"
#include "kernel/directories.h"
#include "kernel/hourly_schedule.h"
#include "kernel/running.h"
#include "kernel/sockets.h"
#include "speedtest/history_format.h"
#include "speedtest/record_store.h"
#include "speedtest/run.h"
#include "speedtest/run_constants.h"
#include "speedtest/run_record.h"
#include "speedtest/schedule_policy.h"
#include "speedtest/server_address.h"
#include "speedtest/subscription.h"

namespace {

constexpr int kExitResult = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// What the user asked for on the command line.
struct Options {
  bool json = false;
  bool csv = false;
  bool header = false;
  bool quiet = false;
  bool scheduled = false;
  std::string schedule;  // "on", "off" or "status": no run, the hourly schedule instead
  IpVersion ipVersion = IpVersion::kAny;
  std::string server = kTestServer;
  INTERNET_PORT port = kTestServerPort;
  WholeLine wholeLine = WholeLine::kBeyondTiers;
  // How often the hourly schedule measures the whole line: what --schedule on installs and
  // what a scheduled run honours.
  WholeLineSchedule lineSchedule = WholeLineSchedule::kDaily;
  // "set", "show" or "clear": no run, the subscription instead; what "set" keeps.
  std::string subscriptionCommand;
  CSubscription subscription;
  std::string campaign;  // "start", "status" or "stop": no run, the campaign instead
  std::string protocol;  // a file: no run, the protocol instead
};

// The command line's words before they are checked against each other.
struct Words {
  std::string server;
  bool ipv4 = false;
  bool ipv6 = false;
  bool wholeLine = false;
  bool noWholeLine = false;
  std::string lineSchedule;
  CLI::Option* serverOption = nullptr;
  // The subscription's speeds, DOWN/UP in Mbit/s: the maximum (or "show", "clear"), then the
  // normally available, the minimum and the advertised.
  std::string subscription[4];
};

void AddOptions(CLI::App& app, Options* options, Words* words) {
  auto* jsonFlag = app.add_flag("--json", options->json, "print the result as one JSON object");
  auto* csvFlag =
      app.add_flag("--csv", options->csv, "print the result as one line of the history");
  app.add_flag("--header", options->header, "with --csv: the history's heading line first")
      ->needs(csvFlag);
  jsonFlag->excludes(csvFlag);
  app.add_flag("-q,--quiet", options->quiet, "nothing on standard error but errors");
  auto* scheduledFlag = app.add_flag(
      "--scheduled", options->scheduled,
      "a run of the hourly schedule: recorded as such, with nothing on standard output");
  auto* scheduleOption =
      app.add_option("--schedule", options->schedule,
                     "turn hourly measuring on or off for this user, or show whether it is on")
          ->check(CLI::IsMember({"on", "off", "status"}))
          ->excludes(jsonFlag, csvFlag, scheduledFlag);
  words->serverOption =
      app.add_option("--server", words->server, "another FTP test point, HOST[:PORT]");
  auto* wholeLineFlag = app.add_flag(
      "--whole-line", words->wholeLine,
      "measure the whole line in both directions, with several sessions at once (by default "
      "only a direction faster than every product)");
  wholeLineFlag->excludes(scheduleOption, scheduledFlag);
  auto* noWholeLineFlag =
      app.add_flag("--no-whole-line", words->noWholeLine, "never measure the whole line")
          ->excludes(wholeLineFlag);
  app.add_option("--whole-line-when", words->lineSchedule,
                 "with --schedule on or --scheduled: how often the hourly runs measure the "
                 "whole line (default daily)")
      ->check(CLI::IsMember({"every-run", "daily", "never"}))
      ->excludes(wholeLineFlag, noWholeLineFlag);
  auto* subscription =
      app.add_option("--subscription", words->subscription[0],
                     "set the subscription's maximum speed DOWN/UP in Mbit/s, or show or clear it");
  subscription->excludes(jsonFlag, csvFlag, scheduledFlag, scheduleOption, wholeLineFlag);
  app.add_option("--campaign", options->campaign,
                 "start, follow (--json for JSON) or stop a measurement campaign on the hourly "
                 "schedule")
      ->check(CLI::IsMember({"start", "status", "stop"}))
      ->excludes(csvFlag, scheduledFlag, scheduleOption, subscription, wholeLineFlag);
  app.add_option("--protocol", options->protocol,
                 "write the measurement campaign's protocol (PDF) to FILE")
      ->excludes(jsonFlag, csvFlag, scheduledFlag, scheduleOption, subscription, wholeLineFlag);
  const char* const others[][2] = {
      {"--normally-available", "with --subscription: the normally available speed DOWN/UP"},
      {"--minimum", "with --subscription: the minimum speed DOWN/UP"},
      {"--advertised", "with --subscription: the advertised speed DOWN/UP"}};
  for (int kind = 0; kind < 3; ++kind) {
    app.add_option(others[kind][0], words->subscription[kind + 1], others[kind][1])
        ->needs(subscription);
  }
  auto* ipv4Flag = app.add_flag("-4", words->ipv4, "connect over IPv4 only");
  app.add_flag("-6", words->ipv6, "connect over IPv6 only")->excludes(ipv4Flag);
  app.set_version_flag("--version", std::string(kCliProgramName) + " " + LUMVIK_VERSION);
}

// The subscription's words into `options`; false, having said why, for a usage error.
bool ReadSubscription(const Words& words, Options* options) {
  return ReadSubscriptionWords(words.subscription, &options->subscriptionCommand,
                               &options->subscription);
}

// Reads the command line into `options`; -1 to go on, else the status to exit with.
int ParseCommandLine(int argc, char** argv, Options* options) {
  CLI::App app(
      "Measures the line's download and upload speed against Lumvik's FTP test "
      "server and names the matching broadband product.",
      kCliProgramName);
  Words words;
  AddOptions(app, options, &words);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", kCliProgramName,
                 e.what(), kCliProgramName);
    return kExitUsage;
  }
  if (words.serverOption->count() > 0 &&
      !ParseServer(words.server, &options->server, &options->port)) {
    std::fprintf(stderr, "%s: --server: not HOST[:PORT] with a port of 1 to 65535\n",
                 kCliProgramName);
    return kExitUsage;
  }
  if (!words.lineSchedule.empty() && options->schedule != "on" && !options->scheduled) {
    std::fprintf(stderr, "%s: --whole-line-when needs --schedule on or --scheduled\n",
                 kCliProgramName);
    return kExitUsage;
  }
  if (!ReadSubscription(words, options)) return kExitUsage;
  if (options->json && !options->campaign.empty() && options->campaign != "status") {
    std::fprintf(stderr, "%s: --json goes with --campaign status only\n", kCliProgramName);
    return kExitUsage;
  }
  options->ipVersion = words.ipv4 ? IpVersion::k4 : words.ipv6 ? IpVersion::k6 : IpVersion::kAny;
  options->wholeLine = words.wholeLine     ? WholeLine::kAlways
                       : words.noWholeLine ? WholeLine::kNever
                                           : WholeLine::kBeyondTiers;
  if (words.noWholeLine) options->lineSchedule = WholeLineSchedule::kNever;
  ParseWholeLineSchedule(words.lineSchedule, &options->lineSchedule);
  return -1;
}

// --schedule: turns hourly measuring on or off, or tells whether it is on; the exit status.
int ScheduleCommand(const Options& options) {
  const std::string& what = options.schedule;
  if (what == "status") {
    const CScheduleStatus status = QueryHourlySchedule();
    const char* state = status.state == ScheduleState::kOn    ? "on"
                        : status.state == ScheduleState::kOff ? "off"
                                                              : "unavailable";
    std::printf("hourly measuring: %s (%s)\n", state, status.detail.c_str());
    if (!status.arguments.empty())
      std::printf("each run: --scheduled %s\n", status.arguments.c_str());
    return status.state == ScheduleState::kUnavailable ? kExitFailure : kExitResult;
  }
  const std::string arguments =
      std::string("--whole-line-when ") + WholeLineScheduleName(options.lineSchedule);
  std::string why;
  if (!SetHourlySchedule(what == "on", arguments, &why)) {
    std::fprintf(stderr, "%s: hourly measuring cannot be turned %s: %s\n", kCliProgramName,
                 what.c_str(), why.c_str());
    return kExitFailure;
  }
  std::printf("hourly measuring: %s\n", what.c_str());
  if (what == "on")
    std::printf("the whole line: %s\n", WholeLineScheduleName(options.lineSchedule));
  if (!why.empty()) std::fprintf(stderr, "%s: %s\n", kCliProgramName, why.c_str());
  return kExitResult;
}

// Who started the run and what it measures of the whole line: as asked; a scheduled run is
// the campaign's where one is due (the whole line, always), else measures it as often as the
// schedule was told, after the history.
void PlanRun(const Options& options, CTestRun* run) {
  run->SetOrigin(options.scheduled ? RunOrigin::kSchedule : RunOrigin::kCli);
  run->SetWholeLine(options.wholeLine);
  if (!options.scheduled || options.wholeLine != WholeLine::kBeyondTiers) return;
  CHistory history;
  std::string unread;
  LoadHistory(ResultHistoryPath(), &history, &unread);
  const std::time_t now = std::time(nullptr);
  if (CampaignRunNow(history, now)) {
    run->SetOrigin(RunOrigin::kCampaign);
    run->SetWholeLine(WholeLine::kAlways);
  } else {
    run->SetWholeLine(ScheduledWholeLine(options.lineSchedule, history, now));
  }
}

// Prints the run as asked; false when it did not reach standard output whole.
bool PrintOutcome(const Options& options, const CTestOutcome& outcome) {
  if (options.json) {
    std::printf("%s\n", OutcomeJson(outcome).c_str());
  } else if (options.csv) {
    if (options.header) std::fputs(HistoryHeading().c_str(), stdout);
    std::fputs(outcome.historyLine.c_str(), stdout);
  } else {
    std::printf("%s\n", outcome.finished ? outcome.resultText.c_str() : kFailureText);
  }
  return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (const int status = ParseCommandLine(argc, argv, &options); status >= 0) return status;
  if (!options.schedule.empty()) return ScheduleCommand(options);
  if (!options.subscriptionCommand.empty()) {
    return SubscriptionCommand(options.subscriptionCommand, options.subscription);
  }
  if (!options.campaign.empty()) return CampaignCommand(options.campaign, options.json);
  if (!options.protocol.empty()) {
    return ProtocolCommand(options.protocol, options.server + ":" + std::to_string(options.port));
  }
  if (!MarkProgramRunning()) {
    std::fprintf(stderr, "%s: an uninstall cannot see that the program runs\n", kCliProgramName);
  }
  if (!AfxSocketInit()) {
    std::fprintf(stderr, "%s: the system gives no network sockets\n", kCliProgramName);
    return kExitFailure;
  }

  CatchInterrupts();
  const bool quiet = options.quiet || options.scheduled;
  ProgressLine progress(!quiet && IsTerminal(stderr), quiet);
  CTestRun run(PrivateCacheDirectory(), options.server, options.port, &progress);
  run.EchoLog(false);
  run.SetIpVersion(options.ipVersion);
  PlanRun(options, &run);
  run.SetSubscription(LoadSubscription());
  const CTestOutcome outcome = run.Run();
  progress.Clear();
  AfxSocketTerm();

  int status = outcome.finished ? kExitResult
               : Interrupted()  ? InterruptedExitStatus()
                                : kExitFailure;
  if (!outcome.recordProblem.empty()) {
    std::fprintf(stderr, "%s: the run was not recorded: %s\n", kCliProgramName,
                 outcome.recordProblem.c_str());
  }
  // A scheduled run has nobody to read its output; its record is what it is for.
  if (!options.scheduled && !PrintOutcome(options, outcome)) {
    std::fprintf(stderr, "%s: the result could not be written to standard output\n",
                 kCliProgramName);
    if (status == kExitResult) status = kExitFailure;
  }
  if (status == kExitFailure && !outcome.finished) {
    std::fprintf(stderr, "%s: the test failed in %s: %s (code %d)\n", kCliProgramName,
                 outcome.errorStep.c_str(), outcome.errorCause.c_str(), outcome.errorCode);
  }
  EndedInOrder();
  return status;
}
