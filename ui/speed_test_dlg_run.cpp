// One speed test as the dialog shows it, from the button press to the result or the
// failure text: the run itself is CTestRun's; this file turns its stages into the dialog's
// texts, button, bar and readout.
#include <cstring>

#include "speedtest/run.h"
#include "speedtest/run_constants.h"
#include "speedtest/server_address.h"
#include "speedtest/subscription.h"
#include "ui/history_dlg.h"
#include "ui/speed_test_dlg.h"

namespace {

constexpr char kRunningCaption[] = "Vent venligst, mens testen udføres";
constexpr char kReadyAgainCaption[] = "Test din hastighed igen";
constexpr char kRunningText[] = "Vent venligst, mens testen udføres.\nDet tager op til 2 minutter.";
constexpr char kRunningAgainText[] =
    "Vent venligst, mens testen udføres igen.\nDet tager op til 2 minutter.";
constexpr char kWaitingText[] =
    "Der kører allerede en hastighedstest på denne computer.\nTesten starter, når den er færdig.";
constexpr char kDownloadLine[] = "\n\nTester download-hastighed\t";
constexpr char kUploadLine[] = "\n\nTester upload-hastighed\t\t";

}  // namespace

void CSpeedTestDlg::OnTestButton() {
  if (!m_testButton.IsWindowEnabled()) return;
  m_testButton.EnableWindow(false);
  RunTest();
}

void CSpeedTestDlg::RunTest() {
  m_progress.ShowWindow(SW_SHOW);
  m_progress.SetRange(0, 100);
  m_progress.SetPos(0);
  m_testButton.SetWindowText(kRunningCaption);
  ShowData([&] {
    m_infoText = kRunningText;
    m_infoSpeed.clear();
  });

  CTestRun run(m_windowsDir, kTestServer, kTestServerPort, this, *m_pEnvironment);
  run.SetWholeLine(m_wholeLine);
  run.SetSubscription(LoadSubscription());
  m_pRun = &run;
  const CTestOutcome outcome = run.Run();
  m_pRun = nullptr;
  if (m_pHistory) m_pHistory->Reload();
  if (!outcome.finished) return ShowFailure();
  ShowData([&] { m_infoText = outcome.fieldText; });
  FinishTest();
}

void CSpeedTestDlg::OnStage(RunStage stage, const char* file, DWORD expectedBytes, int) {
  switch (stage) {
    case RunStage::kWaitForLine:
      return ShowData([&] { m_infoText = kWaitingText; });
    case RunStage::kLogIn:
      return ShowData([&] { m_infoText = kRunningText; });
    case RunStage::kNewAttempt:
      return ShowData([&] { m_infoText = kRunningAgainText; });
    case RunStage::kDownload:
      // One line for the download measurement, whether it takes one file or both.
      if (std::strcmp(file, kSmallTestFile) == 0) ShowData([&] { m_infoText += kDownloadLine; });
      break;
    case RunStage::kUpload:
      ShowData([&] { m_infoText += kUploadLine; });
      break;
    case RunStage::kWholeLine:
      break;
  }
  m_expectedBytes = expectedBytes;
}

bool CSpeedTestDlg::ReportWaiting() {
  PumpMessages();
  return m_abort;
}

void CSpeedTestDlg::ShowFailure() {
  ShowData([&] { m_infoText = kFailureText; });
  FinishTest();
}

void CSpeedTestDlg::FinishTest() {
  ShowData([&] {
    m_infoSpeed.clear();
    m_progress.SetPos(0);
    m_progress.ShowWindow(SW_HIDE);
    m_testButton.SetWindowText(kReadyAgainCaption);
    m_testButton.EnableWindow(true);
  });
}

void CSpeedTestDlg::OnEndSession() {
  // The system ends the process once this returns, before the run could unwind.
  if (m_pRun) m_pRun->EndNow("the session ended");
  OnClose();
}

void CSpeedTestDlg::OnClose() {
  m_abort = true;
  if (IsModal()) {
    EndModal(wxID_CANCEL);
  } else {
    Hide();
  }
}
