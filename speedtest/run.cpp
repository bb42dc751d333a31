// One speed test, from the button press to the result or the failure text.
#include <ctime>

#include "ftp/ftp_client.h"
#include "ftp/ftp_exception.h"
#include "kernel/directories.h"
#include "kernel/local_file.h"
#include "speedtest/rate_conversion.h"
#include "speedtest/run_constants.h"
#include "speedtest/run_history.h"
#include "speedtest/run_record.h"
#include "ui/speed_test_dlg.h"

namespace {

constexpr char kRunningCaption[] = "Vent venligst, mens testen udføres";
constexpr char kReadyAgainCaption[] = "Test din hastighed igen";
constexpr char kRunningText[] = "Vent venligst, mens testen udføres.\nDet tager op til 2 minutter.";
constexpr char kRunningAgainText[] =
    "Vent venligst, mens testen udføres igen.\nDet tager op til 2 minutter.";
constexpr char kDownloadLine[] = "\n\nTester download-hastighed\t";
constexpr char kUploadLine[] = "\n\nTester upload-hastighed\t\t";
constexpr char kFailureText[] =
    "Testen kan ikke genføres på nuværende tidspunkt."
    "\n\nHar din pc en firewall, kan den blokere hastighedstesten."
    "\nTillad hastighedstesten i din firewall eller deaktiver din"
    "\nfirewall, inden du prøver igen. Husk at aktivere din firewall,"
    "\nså snart du er færdig med at teste.";

// The failure as the run's log tells it.
std::string FailureCause(const CFTPException& e) {
  std::string cause = "code " + std::to_string(e.m_nCode);
  if (!e.m_strMessage.empty()) cause += ", " + e.m_strMessage;
  if (!e.m_strCause.empty()) cause += "; " + e.m_strCause;
  return cause;
}

}  // namespace

void CSpeedTestDlg::OnTestButton() {
  if (!m_testButton.IsWindowEnabled()) return;
  m_testButton.EnableWindow(false);
  RunTest();
}

void CSpeedTestDlg::RunTest() {
  CFtpClient client(this);
  CRunRecord record(std::time(nullptr), kTestServer, kTestServerPort);
  try {
    m_progress.ShowWindow(SW_SHOW);
    m_progress.SetRange(0, 100);
    m_progress.SetPos(0);
    m_testButton.SetWindowText(kRunningCaption);
    ShowData([&] {
      m_infoText = kRunningText;
      m_infoSpeed.clear();
    });

    // Without the private folder there is nowhere to put the test files: writing them
    // anywhere else could truncate another file of the same name.
    record.Step("test files in " + (m_windowsDir.empty() ? "no folder" : m_windowsDir));
    if (m_windowsDir.empty()) {
      throw new CFTPException(CFTPException::kCannotCreateLocalFile, ftp_message::kCannotCreateFile,
                              "no private folder for the test files");
    }
    record.Step("log-in as " + std::string(kTestUser));
    client.Connect(kTestServer, kTestUser, kTestPassword, false, kTestServerPort);

    const std::string smallLocal = LocalTestFile(kSmallTestFile);
    const std::string largeLocal = LocalTestFile(kLargeTestFile);
    int attempt = 0;
    CRateRecord download;
    CRateRecord upload;
    const char* downloadFile = kSmallTestFile;
    // Each transfer, logged with what it moved and how long it took.
    const auto transfer = [&](const char* verb, const char* name, DWORD bytes, auto&& run) {
      record.Step(std::string(verb) + " " + name);
      m_expectedBytes = bytes;
      m_transferredBytes = 0;
      run();
      record.Transferred(m_transferredBytes, m_elapsedSeconds);
    };
    while (attempt < kMaxAttempts && !(download.matched && upload.matched)) {
      ++attempt;
      if (attempt > 1) ShowData([&] { m_infoText = kRunningAgainText; });

      if (!download.matched) {
        ShowData([&] { m_infoText += kDownloadLine; });
        transfer("download", kSmallTestFile, kSmallTestFileBytes,
                 [&] { client.Download(kDownloadFolder, kSmallTestFile, smallLocal); });
        const double smallSeconds = m_elapsedSeconds;
        int index;
        if (smallSeconds < kLargeFileBelowSeconds) {
          transfer("download", kLargeTestFile, kLargeTestFileBytes,
                   [&] { client.Download(kDownloadFolder, kLargeTestFile, largeLocal); });
          downloadFile = kLargeTestFile;
          index = ComputeRate(kLargeFileKbit, m_elapsedSeconds, &download);
        } else {
          downloadFile = kSmallTestFile;
          index = ComputeRate(kSmallFileKbit, smallSeconds, &download);
        }
        download.matched = MatchDownloadTier(index, download.tier);
      }
      if (upload.matched) continue;

      ShowData([&] { m_infoText += kUploadLine; });
      transfer("upload", kSmallTestFile, kSmallTestFileBytes,
               [&] { client.Upload(smallLocal, kUploadFolder, kSmallTestFile); });
      upload.matched =
          MatchUploadTier(ComputeRate(kSmallFileKbit, m_elapsedSeconds, &upload), upload.tier);
    }

    record.Finished(download, upload, downloadFile, attempt);
    ShowData([&] { m_infoText = ResultText(download, upload); });
    FinishTest();
  } catch (CFTPException* e) {
    record.Failed(FailureCause(*e));
    e->Delete();
    ShowFailure();
  } catch (CException* e) {
    // CFTPException is what the transfer layer throws; any other failure must not leave
    // the button disabled either.
    record.Failed("unexpected failure");
    e->Delete();
    ShowFailure();
  } catch (...) {
    record.Failed("unexpected failure");
    ShowFailure();
  }
  KeepRunRecord(record);
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
    if (!m_windowsDir.empty()) {
      RemoveFile(LocalTestFile(kSmallTestFile));
      RemoveFile(LocalTestFile(kLargeTestFile));
    }
    m_testButton.SetWindowText(kReadyAgainCaption);
    m_testButton.EnableWindow(true);
  });
}

void CSpeedTestDlg::OnClose() {
  m_abort = true;
  if (IsModal()) {
    EndModal(wxID_CANCEL);
  } else {
    Hide();
  }
}
