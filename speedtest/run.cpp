// One speed test, from the button press to the result or the failure text.
#include "ftp/ftp_client.h"
#include "ftp/ftp_exception.h"
#include "kernel/directories.h"
#include "kernel/local_file.h"
#include "speedtest/rate_conversion.h"
#include "speedtest/test_parameters.h"
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

}  // namespace

void CSpeedTestDlg::OnTestButton() {
  if (!m_testButton.IsWindowEnabled()) return;
  m_testButton.EnableWindow(false);
  RunTest();
}

void CSpeedTestDlg::RunTest() {
  CFtpClient client(this);
  try {
    m_progress.ShowWindow(SW_SHOW);
    m_progress.SetRange(0, 100);
    m_progress.SetPos(0);
    m_testButton.SetWindowText(kRunningCaption);
    ShowData([&] {
      m_infoText = kRunningText;
      m_infoSpeed.clear();
    });

    client.Connect(kTestServer, kTestUser, kTestPassword, false, kTestServerPort);

    const std::string smallLocal = LocalTestFile(kSmallTestFile);
    const std::string largeLocal = LocalTestFile(kLargeTestFile);
    int attempt = 0;
    CRateRecord download;
    CRateRecord upload;
    while (attempt < kMaxAttempts && !(download.matched && upload.matched)) {
      ++attempt;
      if (attempt > 1) ShowData([&] { m_infoText = kRunningAgainText; });

      if (!download.matched) {
        ShowData([&] { m_infoText += kDownloadLine; });
        m_expectedBytes = kSmallTestFileBytes;
        client.Download(kDownloadFolder, kSmallTestFile, smallLocal);
        const double smallSeconds = m_elapsedSeconds;
        int index;
        if (smallSeconds < kLargeFileBelowSeconds) {
          m_expectedBytes = kLargeTestFileBytes;
          client.Download(kDownloadFolder, kLargeTestFile, largeLocal);
          index = ComputeRate(kLargeFileKbit, m_elapsedSeconds, &download);
        } else {
          index = ComputeRate(kSmallFileKbit, smallSeconds, &download);
        }
        download.matched = MatchDownloadTier(index, download.tier);
      }
      if (upload.matched) continue;

      ShowData([&] { m_infoText += kUploadLine; });
      m_expectedBytes = kSmallTestFileBytes;
      client.Upload(smallLocal, kUploadFolder, kSmallTestFile);
      upload.matched =
          MatchUploadTier(ComputeRate(kSmallFileKbit, m_elapsedSeconds, &upload), upload.tier);
    }

    ShowData([&] { m_infoText = ResultText(download, upload); });
    FinishTest();
  } catch (CException* e) {
    // CFTPException is what the transfer layer throws; any other failure must not leave
    // the button disabled either.
    e->Delete();
    ShowFailure();
  } catch (...) {
    ShowFailure();
  }
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
    RemoveFile(LocalTestFile(kSmallTestFile));
    RemoveFile(LocalTestFile(kLargeTestFile));
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
