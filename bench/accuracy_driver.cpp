// One test run through the program's own run, without a window: the attempts, the files
// they move, the rates and the tiers, exactly as the program would measure them. Prints one
// line of name=value pairs, the last measurement of each direction.
//   accuracy_driver HOST PORT SCRATCH_DIR
// The run's log and history go into SCRATCH_DIR too, not into the user's own.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "speedtest/run.h"

namespace {

class Silent : public CTestRunListener {
 public:
  void OnStage(RunStage, const char*, DWORD, int) override {}
  bool ReportProgress(DWORD, double) override { return false; }
};

std::string TierOrNone(const CRateRecord& record) {
  return record.matched ? TierName(record) : "none";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s HOST PORT SCRATCH_DIR\n", argv[0]);
    return 2;
  }
#ifndef _WIN32
  ::setenv("XDG_CACHE_HOME", argv[3], 1);
  ::setenv("XDG_DATA_HOME", argv[3], 1);
#endif
  Silent silent;
  CTestRun run(argv[3], argv[1], static_cast<INTERNET_PORT>(std::atoi(argv[2])), &silent);
  run.EchoLog(false);
  run.SetOrigin(RunOrigin::kCli);
  const CTestOutcome outcome = run.Run();
  if (!outcome.finished) {
    std::fprintf(stderr, "failed: %d in %s: %s\n", outcome.errorCode, outcome.errorStep.c_str(),
                 outcome.errorCause.c_str());
    return 1;
  }
  const CMeasurement& down = outcome.download;
  const CMeasurement& up = outcome.upload;
  std::printf(
      "download_file=%s download_seconds=%.3f download_raw=%.1f download_converted=%.1f "
      "download_tier=%s upload_seconds=%.3f upload_raw=%.1f upload_converted=%.1f "
      "upload_tier=%s attempts=%d rtt_ms=%.1f\n",
      down.file.c_str(), down.seconds, down.rates.raw, down.rates.converted,
      TierOrNone(down.rates).c_str(), up.seconds, up.rates.raw, up.rates.converted,
      TierOrNone(up.rates).c_str(), outcome.attempts, outcome.rttMs);
  return 0;
}
