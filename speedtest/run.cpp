#include "speedtest/run.h"

#include <ctime>
#include <functional>
#include <limits>

#include "ftp/ftp_client.h"
#include "ftp/ftp_exception.h"
#include "kernel/directories.h"
#include "kernel/local_file.h"
#include "speedtest/record_store.h"
#include "speedtest/result_text.h"
#include "speedtest/run_constants.h"
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

// Deletes the test files in `folder` of `files`; missing files are passed over.
void RemoveLocalFiles(CFileSystem& files, const std::string& folder) {
  files.Remove(LocalFile(folder, kSmallTestFile));
  files.Remove(LocalFile(folder, kLargeTestFile));
}

}  // namespace

const char* OriginName(RunOrigin origin) {
  switch (origin) {
    case RunOrigin::kCli:
      return "cli";
    case RunOrigin::kSchedule:
      return "schedule";
    case RunOrigin::kCampaign:
      return "campaign";
    case RunOrigin::kWindow:
      break;
  }
  return "window";
}

CTestRun::CTestRun(std::string folder, std::string server, INTERNET_PORT port,
                   CTestRunListener* listener, const CEnvironment& env)
    : m_env(env),
      m_folder(std::move(folder)),
      m_server(std::move(server)),
      m_port(port),
      m_pListener(listener) {}

void CTestRun::TakeTheLine(CRunRecord& record) {
  // Without the private folder there is nowhere safe to put the test files: writing them
  // anywhere else could truncate another file of the same name.
  record.Step("test files in " + (m_folder.empty() ? "no folder" : m_folder));
  if (const std::string refusal = m_env.files.FolderRefusal(m_folder); !refusal.empty()) {
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
      [&] { return m_pListener->ReportWaiting(); }, &failure)) {
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
  CRunRecord record(std::time(nullptr), m_server, m_port);
  m_idleRtts.clear();
  m_downloadRtts.clear();
  m_uploadRtts.clear();
  m_uploadBytesSent = m_uploadBytesRetransmitted = 0;
  m_bytesDownloaded = m_bytesUploaded = 0;
  record.Origin(OriginName(m_origin));
  m_pRecord = &record;
  m_bConcluded = false;
  outcome.time = record.Timestamp();
  outcome.server = m_server + ":" + std::to_string(m_port);
  CFtpClient client(this, m_env);
  try {
    TakeTheLine(record);
    LogIn(client, outcome);
    RunAttempts(client, outcome);
    MeasureWholeLine(client, outcome);
    Finish(outcome);
  } catch (CFTPException* e) {
    Failed(e->m_nCode, e->m_strCause.empty() ? e->m_strMessage : e->m_strCause, FailureCause(*e),
           outcome);
    e->Delete();
  } catch (CException* e) {
    // CFTPException is what the transfer layer throws; any other failure takes the failure
    // path all the same.
    Failed(CFTPException::kUnknown, "unexpected failure", "unexpected failure", outcome);
    e->Delete();
  } catch (...) {
    Failed(CFTPException::kUnknown, "unexpected failure", "unexpected failure", outcome);
  }
  client.Logoff();
  outcome.bytesDownloaded = m_bytesDownloaded;
  outcome.bytesUploaded = m_bytesUploaded;
  outcome.historyLine = record.ResultLine();
  outcome.recordProblem = Conclude();
  m_pRecord = nullptr;
  return outcome;
}

void CTestRun::Finish(CTestOutcome& outcome) {
  // Where the whole line was measured, only its sessions filled the queue of a fast line:
  // its round trips are the loaded ones.
  const std::vector<double>& lineDown = outcome.lineDownload.loadedRttMs;
  const std::vector<double>& lineUp = outcome.lineUpload.loadedRttMs;
  const bool lineSent = outcome.lineUpload.bytesSent > 0;
  outcome.latency = SummariseLatency(
      outcome.rttMs, m_idleRtts, lineDown.empty() ? m_downloadRtts : lineDown,
      lineUp.empty() ? m_uploadRtts : lineUp,
      lineSent ? outcome.lineUpload.bytesSent : m_uploadBytesSent,
      lineSent ? outcome.lineUpload.bytesRetransmitted : m_uploadBytesRetransmitted);
  outcome.latency.download.wholeLine = !lineDown.empty();
  outcome.latency.upload.wholeLine = !lineUp.empty();
  outcome.latency.retransmittedOnWholeLine = lineSent;
  m_pRecord->DataMoved(m_bytesDownloaded, m_bytesUploaded);
  const std::string connectionText = JudgeByConnection(outcome);
  const std::string subscriptionText = JudgeBySubscription(outcome);
  m_pRecord->Connection(outcome.connection);
  m_pRecord->Subscription(outcome.subscription, outcome.subscriptionDownload,
                          outcome.subscriptionUpload);
  m_pRecord->Finished(outcome.download.rates, outcome.upload.rates, outcome.download.file,
                      outcome.attempts, outcome.latency, outcome.lineDownload.figure,
                      outcome.lineUpload.figure);
  m_pRecord->Latency(outcome.latency);
  outcome.finished = true;
  const std::string result = ResultText(outcome.download.rates, outcome.upload.rates);
  const std::vector<std::string> notes = {
      WholeLineText(outcome.lineDownload.figure, outcome.lineUpload.figure), subscriptionText,
      connectionText, LeftFilesText(outcome.lineUpload.leftFiles)};
  outcome.resultText = WithNotes(result, notes, std::numeric_limits<int>::max());
  outcome.fieldText = WithNotes(result, notes, kResultFieldLines);
}

void CTestRun::LogIn(CFtpClient& client, CTestOutcome& outcome) {
  m_pRecord->Step("log-in as " + std::string(kTestUser));
  m_pListener->OnStage(RunStage::kLogIn, nullptr, 0, 0);
  client.Session().SetIpVersion(m_ipVersion);
  client.Connect(m_server, kTestUser, kTestPassword, false, m_port);
  FindConnection(client, outcome);
  // Before any transfer, while the line carries nothing of ours.
  m_pRecord->Step("idle round trips");
  m_idleRtts = client.MeasureIdleRoundTrips(kIdleRoundTrips, kIdleRoundTripBudgetMs);
  outcome.rttMs = client.RoundTripMs();
  m_pRecord->RoundTrip(outcome.rttMs, Jitter(m_idleRtts), m_idleRtts.size());
}

void CTestRun::RunAttempts(CFtpClient& client, CTestOutcome& outcome) {
  const auto bothMatched = [&] {
    return outcome.download.rates.matched && outcome.upload.rates.matched;
  };
  while (outcome.attempts < kMaxAttempts && !bothMatched()) {
    ++outcome.attempts;
    if (outcome.attempts > 1) {
      m_pListener->OnStage(RunStage::kNewAttempt, nullptr, 0, outcome.attempts);
    }
    if (!outcome.download.rates.matched) MeasureDownload(client, outcome);
    if (!outcome.upload.rates.matched) MeasureUpload(client, outcome);
  }
}

void CTestRun::MeasureDownload(CFtpClient& client, CTestOutcome& outcome) {
  CMeasurement& download = outcome.download;
  Transfer(client, RunStage::kDownload, kSmallTestFile, kSmallTestFileBytes, outcome.attempts, [&] {
    client.Download(kDownloadFolder, kSmallTestFile, LocalFile(m_folder, kSmallTestFile));
  });
  const double smallSeconds = m_lastSeconds;
  Measured(download, kSmallTestFile);
  int index;
  if (smallSeconds < kLargeFileBelowSeconds) {
    Transfer(
        client, RunStage::kDownload, kLargeTestFile, kLargeTestFileBytes, outcome.attempts, [&] {
          client.Download(kDownloadFolder, kLargeTestFile, LocalFile(m_folder, kLargeTestFile));
        });
    Measured(download, kLargeTestFile);
    index = ComputeRate(kLargeFileKbit, m_lastSeconds, &download.rates);
  } else {
    index = ComputeRate(kSmallFileKbit, smallSeconds, &download.rates);
  }
  download.rates.matched = MatchDownloadTier(index, download.rates.tier);
}

void CTestRun::MeasureUpload(CFtpClient& client, CTestOutcome& outcome) {
  CMeasurement& upload = outcome.upload;
  Transfer(client, RunStage::kUpload, kSmallTestFile, kSmallTestFileBytes, outcome.attempts, [&] {
    client.Upload(LocalFile(m_folder, kSmallTestFile), kUploadFolder, kSmallTestFile);
  });
  Measured(upload, kSmallTestFile);
  upload.rates.matched =
      MatchUploadTier(ComputeRate(kSmallFileKbit, m_lastSeconds, &upload.rates), upload.rates.tier);
}

void CTestRun::Transfer(CFtpClient& client, RunStage stage, const char* file, DWORD bytes,
                        int attempt, const std::function<void()>& move) {
  const bool upload = stage == RunStage::kUpload;
  m_pRecord->Step(std::string(upload ? "upload " : "download ") + file);
  m_lastBytes = 0;
  m_pListener->OnStage(stage, file, bytes, attempt);
  BeginSpan();
  move();
  const CPathSamples& path = client.LastTransferPath();
  EndSpan(upload, m_lastBytes + path.bytesRetransmitted);
  m_pRecord->Transferred(m_lastBytes, m_lastSeconds);
  (upload ? m_bytesUploaded : m_bytesDownloaded) += m_lastBytes;
  std::vector<double>& loaded = upload ? m_uploadRtts : m_downloadRtts;
  loaded.insert(loaded.end(), path.rttMs.begin(), path.rttMs.end());
  m_uploadBytesSent += path.bytesSent;
  m_uploadBytesRetransmitted += path.bytesRetransmitted;
  // The rates come from the file's nominal size, so a transfer that moved any other number
  // of bytes (a server or middlebox that ends a download early with 226, a local file cut
  // short) measured something else and is no measurement.
  if (m_lastBytes != bytes) {
    throw new CFTPException(CFTPException::kUnknown, ftp_message::kUnknown,
                            std::string(upload ? "sent " : "received ") +
                                std::to_string(m_lastBytes) + " of " + std::to_string(bytes) +
                                " bytes");
  }
}

void CTestRun::Measured(CMeasurement& measurement, const char* file) const {
  measurement.file = file;
  measurement.bytes = m_lastBytes;
  measurement.seconds = m_lastSeconds;
}

void CTestRun::Failed(int code, const std::string& cause, const std::string& logged,
                      CTestOutcome& outcome) {
  outcome.errorCode = code;
  outcome.errorCause = cause;
  outcome.errorStep = m_pRecord->CurrentStep();
  m_pRecord->DataMoved(m_bytesDownloaded, m_bytesUploaded);
  m_pRecord->Failed(logged);
}

std::string CTestRun::Conclude() {
  if (m_bConcluded) return std::string();
  m_bConcluded = true;
  // Without the line the test files are another run's.
  if (m_line.Held()) RemoveLocalFiles(m_env.files, m_folder);
  const std::string problem = KeepRunRecord(*m_pRecord, m_bEchoLog);
  m_line.Release();
  return problem;
}

void CTestRun::EndNow(const std::string& cause) {
  if (!m_pRecord || m_bConcluded) return;
  m_pRecord->DataMoved(m_bytesDownloaded, m_bytesUploaded);
  m_pRecord->Failed(cause);
  Conclude();
}
