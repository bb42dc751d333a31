// The command-line program's progress on a terminal: one line on standard error, redrawn
// in place.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "app/program_identity.h"
#include "kernel/console.h"
#include "kernel/types.h"
#include "speedtest/run.h"
#include "speedtest/speed_readout.h"

// One line on the terminal's standard error, redrawn in place: the stage, a bar and the
// live rate. Silent when told so; stops the run once interrupted.
class ProgressLine : public CTestRunListener {
 public:
  ProgressLine(bool show, bool quiet) : m_show(show), m_quiet(quiet) {}

  void OnStage(RunStage stage, const char* file, DWORD expectedBytes, int attempt) override {
    switch (stage) {
      case RunStage::kWaitForLine:
        if (!m_quiet) {
          std::fprintf(stderr, "%s: another test run is using the line; waiting for it to end\n",
                       kCliProgramName);
        }
        m_stage = "waiting for another run";
        break;
      case RunStage::kLogIn:
        m_stage = "log-in";
        break;
      case RunStage::kNewAttempt:
        m_stage = "attempt " + std::to_string(attempt);
        break;
      case RunStage::kDownload:
        m_stage = std::string("download ") + file;
        break;
      case RunStage::kUpload:
        m_stage = std::string("upload ") + file;
        break;
      case RunStage::kWholeLine:
        m_stage = std::string("whole line ") + file;
        break;
    }
    m_expectedBytes = expectedBytes;
    Draw(0, 0.0, true);
  }

  bool ReportProgress(DWORD bytes, double seconds) override {
    Draw(bytes, seconds, false);
    return Interrupted();
  }

  bool ReportWaiting() override { return Interrupted(); }

  // Leaves the terminal's line empty for what follows.
  void Clear() {
    if (m_drawn) std::fprintf(stderr, "\r%-79s\r", "");
    m_drawn = false;
  }

 private:
  void Draw(DWORD bytes, double seconds, bool always) {
    if (!m_show) return;
    // A redraw for every 4 KiB chunk would cost more than the chunk: ten a second suffice.
    const auto now = std::chrono::steady_clock::now();
    if (!always && now - m_lastDraw < std::chrono::milliseconds(100)) return;
    m_lastDraw = now;
    const DWORD percent = std::min<DWORD>(ProgressPosition(bytes, m_expectedBytes), 100);
    const std::string bar = std::string(percent / 5, '#') + std::string(20 - percent / 5, ' ');
    // The dialog's readout is "kbit/s\n N": here the number alone.
    std::string rate = SpeedReadoutText(bytes, seconds);
    rate = rate.substr(rate.find_first_not_of(" \n", rate.find('\n')));
    std::fprintf(stderr, "\r%-26.26s [%s] %10s kbit/s", m_stage.c_str(), bar.c_str(), rate.c_str());
    std::fflush(stderr);
    m_drawn = true;
  }

  bool m_show;
  bool m_quiet;
  bool m_drawn = false;
  std::string m_stage;
  DWORD m_expectedBytes = 0;
  std::chrono::steady_clock::time_point m_lastDraw;
};
