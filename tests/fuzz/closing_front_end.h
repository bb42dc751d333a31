// The front end of a run over the fake network, for the run's tests and the session fuzzer:
// what it was told of each stage, as lines, and a user who closes the window at the nth report
// counted from a stage on.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "speedtest/run.h"
#include "tests/fuzz/fake_network.h"

// What the front end is told of a stage, as a line.
inline std::string StageLine(RunStage stage, const char* file, DWORD expectedBytes, int attempt) {
  switch (stage) {
    case RunStage::kWaitForLine:
      return "wait";
    case RunStage::kLogIn:
      return "log-in";
    case RunStage::kNewAttempt:
      return "attempt " + std::to_string(attempt);
    case RunStage::kDownload:
    case RunStage::kUpload:
      return (stage == RunStage::kUpload ? "up " : "down ") + std::string(file) + " " +
             std::to_string(expectedBytes);
    case RunStage::kWholeLine:
      return "whole line " + std::string(file);
  }
  return "";
}

class CClosingFrontEnd : public CTestRunListener {
 public:
  // The window closes at the `nth` progress report (0: never) and stays closed, counted anew
  // at each stage whose line begins with `from`, or from the start where `from` is empty.
  void CloseAt(int nth, std::string from = std::string()) {
    m_closeAt = nth;
    m_from = std::move(from);
    m_counting = m_from.empty();
    m_reports = 0;
    closedAtMs = -1;
  }

  void OnStage(RunStage stage, const char* file, DWORD expectedBytes, int attempt) override {
    told.push_back(StageLine(stage, file, expectedBytes, attempt));
    if (m_from.empty() || told.back().rfind(m_from, 0) != 0) return;
    m_counting = true;
    m_reports = 0;
  }
  bool ReportProgress(DWORD, double) override { return Count(); }

  std::vector<std::string> told;
  long long closedAtMs = -1;  // the virtual time of the close; -1 while the window is open

 protected:
  // Counts one report; whether the window is closed now.
  bool Count() {
    m_reports += m_counting;
    if (m_closeAt == 0 || m_reports < m_closeAt) return false;
    if (closedAtMs < 0) closedAtMs = fake_network::NowMs();
    return true;
  }

 private:
  int m_closeAt = 0;
  std::string m_from;
  bool m_counting = true;
  int m_reports = 0;
};
