#include "speedtest/test_run.h"

#include <ctime>

#include "ftp/ftp_client.h"
#include "ftp/ftp_exception.h"
#include "kernel/directories.h"
#include "kernel/local_file.h"
#include "speedtest/run_constants.h"
#include "speedtest/run_history.h"
#include "speedtest/run_record.h"

const char kFailureText[] =
    "Testen kan ikke genføres på nuværende tidspunkt."
    "\n\nHar din pc en firewall, kan den blokere hastighedstesten."
    "\nTillad hastighedstesten i din firewall eller deaktiver din"
    "\nfirewall, inden du prøver igen. Husk at aktivere din firewall,"
    "\nså snart du er færdig med at teste.";

namespace {

// The failure as the run's log tells it.
std::string FailureCause(const CFTPException& e) {
  std::string cause = "code " + std::to_string(e.m_nCode);
  if (!e.m_strMessage.empty()) cause += ", " + e.m_strMessage;
  if (!e.m_strCause.empty()) cause += "; " + e.m_strCause;
  return cause;
}

std::string LocalFile(const std::string& folder, const char* name) {
  return folder + kPathSeparator + name;
}

// Deletes the test files in `folder`; missing files are passed over.
void RemoveLocalFiles(const std::string& folder) {
  RemoveFile(LocalFile(folder, kSmallTestFile));
  RemoveFile(LocalFile(folder, kLargeTestFile));
}

}  // namespace

std::string TierName(const CRateRecord& record) {
  const std::size_t first = record.tier.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : record.tier.substr(first);
}

std::string ProductName(const CRateRecord& download, const CRateRecord& upload) {
  if (!download.matched || !upload.matched) return std::string();
  return "Lumvik Bredbånd " + TierName(download) + "/" + TierName(upload);
}

CTestRun::CTestRun(std::string folder, std::string server, INTERNET_PORT port,
                   CTestRunListener* listener)
    : m_folder(std::move(folder)),
      m_server(std::move(server)),
      m_port(port),
      m_pListener(listener) {}

bool CTestRun::ReportProgress(DWORD bytes, double seconds) {
  m_lastBytes = bytes;
  m_lastSeconds = seconds;
  return m_pListener->OnProgress(bytes, seconds);
}

bool CTestRun::KeepWaiting() {
  return m_pListener->OnWait();
}

void CTestRun::NoteTransfer(const std::string& note) {
  if (m_pRecord) m_pRecord->Note(note);
}

void CTestRun::TakeTheLine(CRunRecord& record) {
  // Without the private folder there is nowhere safe to put the test files: writing them
  // anywhere else could truncate another file of the same name.
  record.Step("test files in " + (m_folder.empty() ? "no folder" : m_folder));
  if (const std::string refusal = FolderRefusal(m_folder); !refusal.empty()) {
    throw new CFTPException(CFTPException::kCannotCreateLocalFile, ftp_message::kCannotCreateFile,
                            refusal);
  }
  std::string failure;
  const auto waiting = [&] {
    record.Step("wait for another test run on this computer");
    m_pListener->OnStage(RunStage::kWaitForLine, nullptr, 0, 0);
  };
  switch (m_line.Take(
      LocalFile(m_folder, kLineLockFile), kLineWaitMs, waiting,
      [&] { return m_pListener->OnWait(); }, &failure)) {
    case CFolderLock::Result::kTaken:
      return;
    case CFolderLock::Result::kStopped:
      throw new CFTPException(CFTPException::kAborted, ftp_message::kAborted,
                              "stopped by the user while waiting for another test run");
    case CFolderLock::Result::kTimedOut:
      throw new CFTPException(
          CFTPException::kUnknown, ftp_message::kUnknown,
          "another test run kept the line for " + std::to_string(kLineWaitMs / 60000) + " minutes");
    case CFolderLock::Result::kFailed:
      break;
  }
  throw new CFTPException(CFTPException::kCannotCreateLocalFile, ftp_message::kCannotCreateFile,
                          failure);
}

CTestOutcome CTestRun::Run() {
  CTestOutcome outcome;
  const std::time_t start = std::time(nullptr);
  CRunRecord record(start, m_server, m_port);
  m_pRecord = &record;
  outcome.time = record.Timestamp();
  outcome.server = m_server + ":" + std::to_string(m_port);
  CFtpClient client(this);
  try {
    TakeTheLine(record);
    record.Step("log-in as " + std::string(kTestUser));
    m_pListener->OnStage(RunStage::kLogIn, nullptr, 0, 0);
    client.Session().SetIpVersion(m_ipVersion);
    client.Connect(m_server, kTestUser, kTestPassword, false, m_port);
    outcome.rttMs = client.RoundTripMs();
    record.RoundTrip(outcome.rttMs);

    const std::string smallLocal = LocalFile(m_folder, kSmallTestFile);
    const std::string largeLocal = LocalFile(m_folder, kLargeTestFile);
    CMeasurement& download = outcome.download;
    CMeasurement& upload = outcome.upload;
    // One transfer, logged with what it moved and how long it took.
    // The rates come from the file's nominal size, so a transfer that moved any other
    // number of bytes (a server or middlebox that ends a download early with 226, a local
    // file cut short) measured something else and is no measurement.
    const auto transfer = [&](RunStage stage, const char* name, DWORD bytes, auto&& run) {
      const bool upload = stage == RunStage::kUpload;
      record.Step(std::string(upload ? "upload " : "download ") + name);
      m_lastBytes = 0;
      m_pListener->OnStage(stage, name, bytes, outcome.attempts);
      run();
      record.Transferred(m_lastBytes, m_lastSeconds);
      if (m_lastBytes != bytes) {
        throw new CFTPException(CFTPException::kUnknown, ftp_message::kUnknown,
                                std::string(upload ? "sent " : "received ") +
                                    std::to_string(m_lastBytes) + " of " + std::to_string(bytes) +
                                    " bytes");
      }
    };
    const auto measured = [&](CMeasurement& measurement, const char* file) {
      measurement.file = file;
      measurement.bytes = m_lastBytes;
      measurement.seconds = m_lastSeconds;
    };
    while (outcome.attempts < kMaxAttempts && !(download.rates.matched && upload.rates.matched)) {
      ++outcome.attempts;
      if (outcome.attempts > 1) {
        m_pListener->OnStage(RunStage::kNewAttempt, nullptr, 0, outcome.attempts);
      }
      if (!download.rates.matched) {
        transfer(RunStage::kDownload, kSmallTestFile, kSmallTestFileBytes,
                 [&] { client.Download(kDownloadFolder, kSmallTestFile, smallLocal); });
        const double smallSeconds = m_lastSeconds;
        measured(download, kSmallTestFile);
        int index;
        if (smallSeconds < kLargeFileBelowSeconds) {
          transfer(RunStage::kDownload, kLargeTestFile, kLargeTestFileBytes,
                   [&] { client.Download(kDownloadFolder, kLargeTestFile, largeLocal); });
          measured(download, kLargeTestFile);
          index = ComputeRate(kLargeFileKbit, m_lastSeconds, &download.rates);
        } else {
          index = ComputeRate(kSmallFileKbit, smallSeconds, &download.rates);
        }
        download.rates.matched = MatchDownloadTier(index, download.rates.tier);
      }
      if (upload.rates.matched) continue;

      transfer(RunStage::kUpload, kSmallTestFile, kSmallTestFileBytes,
               [&] { client.Upload(smallLocal, kUploadFolder, kSmallTestFile); });
      measured(upload, kSmallTestFile);
      upload.rates.matched = MatchUploadTier(
          ComputeRate(kSmallFileKbit, m_lastSeconds, &upload.rates), upload.rates.tier);
    }

    record.Finished(download.rates, upload.rates, download.file, outcome.attempts, outcome.rttMs);
    outcome.finished = true;
    outcome.resultText = ResultText(download.rates, upload.rates);
  } catch (CFTPException* e) {
    outcome.errorCode = e->m_nCode;
    outcome.errorCause = e->m_strCause.empty() ? e->m_strMessage : e->m_strCause;
    record.Failed(FailureCause(*e));
    e->Delete();
  } catch (CException* e) {
    // CFTPException is what the transfer layer throws; any other failure takes the failure
    // path all the same.
    outcome.errorCode = CFTPException::kUnknown;
    outcome.errorCause = "unexpected failure";
    record.Failed(outcome.errorCause);
    e->Delete();
  } catch (...) {
    outcome.errorCode = CFTPException::kUnknown;
    outcome.errorCause = "unexpected failure";
    record.Failed(outcome.errorCause);
  }
  outcome.errorStep = outcome.finished ? std::string() : record.CurrentStep();
  client.Logoff();
  outcome.historyLine = record.ResultLine();
  outcome.recordProblem = Conclude();
  return outcome;
}

std::string CTestRun::Conclude() {
  if (!m_pRecord) return std::string();
  // Without the line the test files are another run's.
  if (m_line.Held()) RemoveLocalFiles(m_folder);
  const std::string problem = KeepRunRecord(*m_pRecord, m_bEchoLog);
  m_line.Release();
  m_pRecord = nullptr;
  return problem;
}

void CTestRun::EndNow(const std::string& cause) {
  if (!m_pRecord) return;
  m_pRecord->Failed(cause);
  Conclude();
}
