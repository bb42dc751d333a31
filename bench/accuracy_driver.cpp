// One test run through the program's own run, without a window: the attempts, the files
// they move, the rates and the tiers, exactly as the program would measure them. Prints one
// line of name=value pairs: the last measurement of each direction, the latency, and when
// each direction's transfers ran (wall-clock seconds, FROM-TO,...), so that a ping run
// beside can be read over the same times. A figure not measured is "-".
//   accuracy_driver HOST PORT SCRATCH_DIR
// The run's log and history go into SCRATCH_DIR too, not into the user's own.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "speedtest/run.h"

namespace {

double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// Quiet, but for when each transfer ran: from its first chunk to its last.
class Silent : public CTestRunListener {
 public:
  void OnStage(RunStage stage, const char*, DWORD, int) override {
    m_pWindows = stage == RunStage::kDownload ? &download
                 : stage == RunStage::kUpload ? &upload
                                              : nullptr;
    m_end = std::string::npos;
  }
  bool ReportProgress(DWORD, double) override {
    if (!m_pWindows) return false;
    char time[32];
    std::snprintf(time, sizeof time, "%.6f", WallSeconds());
    if (m_end == std::string::npos) {
      *m_pWindows += (m_pWindows->empty() ? "" : ",") + std::string(time) + "-";
      m_end = m_pWindows->size();
    }
    m_pWindows->replace(m_end, std::string::npos, time);
    return false;
  }

  std::string download;
  std::string upload;

 private:
  std::string* m_pWindows = nullptr;
  std::size_t m_end = std::string::npos;
};

std::string Figure(double value) {
  if (value < 0.0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

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
  // The test files' own figures; the whole line has rows of its own, through the CLI.
  run.SetWholeLine(WholeLine::kNever);
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
      "upload_tier=%s attempts=%d rtt_ms=%.1f ",
      down.file.c_str(), down.seconds, down.rates.raw, down.rates.converted,
      TierOrNone(down.rates).c_str(), up.seconds, up.rates.raw, up.rates.converted,
      TierOrNone(up.rates).c_str(), outcome.attempts, outcome.rttMs);
  const CLatency& latency = outcome.latency;
  std::printf(
      "idle_ms=%s jitter_ms=%s download_loaded_ms=%s download_p90_ms=%s download_samples=%d "
      "upload_loaded_ms=%s upload_p90_ms=%s upload_samples=%d grade=%s retransmitted_pct=%s "
      "download_windows=%s upload_windows=%s\n",
      Figure(latency.idleMs).c_str(), Figure(latency.jitterMs).c_str(),
      Figure(latency.download.medianMs).c_str(), Figure(latency.download.p90Ms).c_str(),
      latency.download.samples, Figure(latency.upload.medianMs).c_str(),
      Figure(latency.upload.p90Ms).c_str(), latency.upload.samples,
      latency.grade.empty() ? "-" : latency.grade.c_str(),
      Figure(latency.uploadRetransmittedPct).c_str(), silent.download.c_str(),
      silent.upload.c_str());
  return 0;
}
