// The run's last step on a line faster than every product: the whole line in each direction
// that asks for it.
#include <cstdio>
#include <random>

#include "ftp/ftp_client.h"
#include "ftp/ftp_exception.h"
#include "ftp/network_path.h"
#include "kernel/clock.h"
#include "speedtest/line_phase.h"
#include "speedtest/run.h"
#include "speedtest/run_constants.h"
#include "speedtest/run_record.h"

namespace {

// How long the run's own session may go on deleting what the whole line left, a close
// notwithstanding: a few round trips for each file on any line worth measuring.
constexpr long long kLeftFilesMs = 1500;

// Eight hexadecimal digits, different for each run. The system's randomness is asked once a
// process: each ask is a system call, and one process may run many tests (the window's, the
// fuzzer's).
std::string RandomToken() {
  static std::mt19937 random{std::random_device()()};
  char text[16];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(random()));
  return text;
}

}  // namespace

void CTestRun::RemoveLeftFiles(CFtpClient& client, std::vector<std::string>& files) {
  // A session lost during an upload, or cut by a close, could not delete its file; the
  // run's own session, still logged in, tries once more, for a bounded time even after a
  // close. What the server still refuses, or what time leaves, stays in the record.
  if (files.empty()) return;
  m_cleanupUntilMs = m_env.clock.NowMs() + kLeftFilesMs;
  std::vector<std::string> left;
  for (const std::string& file : files) {
    try {
      if (!client.Remove(file)) left.push_back(file);
    } catch (CFTPException* e) {
      e->Delete();
      left.push_back(file);
    }
  }
  m_cleanupUntilMs = 0;
  files = std::move(left);
}

bool CTestRun::WholeLineWanted(const CTestOutcome& outcome, bool upload) const {
  if (m_wholeLine != WholeLine::kBeyondTiers) return m_wholeLine == WholeLine::kAlways;
  const CMeasurement& measured = upload ? outcome.upload : outcome.download;
  return measured.rates.converted >= TierBands(!upload).back().toKbit &&
         !TestFileMeasuredTheLine(measured.seconds, outcome.rttMs);
}

void CTestRun::MeasureWholeLine(CFtpClient& client, CTestOutcome& outcome) {
  const sockaddr_storage server = client.ServerAddress();
  // Other customers upload to the same folder at the same time: a name of the run's own.
  const std::string uploadStem = "hastighed-" + RandomToken();
  for (const bool upload : {false, true}) {
    if (!WholeLineWanted(outcome, upload)) continue;
    CLineRules rules;
    rules.idleRttMs = outcome.rttMs;
    const char* direction = upload ? "upload" : "download";
    m_pRecord->Step(std::string("whole line ") + direction);
    m_lastBytes = 0;
    m_pListener->OnStage(RunStage::kWholeLine, direction, 0, outcome.attempts);
    CLineDirection& line = upload ? outcome.lineUpload : outcome.lineDownload;
    // A download's phase ends by closing sessions whose data is still on its way, which the
    // interface counts as it comes and no session does: only an upload's phase is a span to
    // count the other traffic over.
    if (upload) BeginSpan();
    line = MeasureLineDirection(m_env, server, upload, upload ? kUploadFolder : kDownloadFolder,
                                upload ? uploadStem : kLargeTestFile, kLargeTestFileBytes, this,
                                rules);
    if (upload) EndSpan(true, line.bytesMoved + line.bytesRetransmitted);
    (upload ? m_bytesUploaded : m_bytesDownloaded) += line.bytesMoved;
    RemoveLeftFiles(client, line.leftFiles);
    m_pRecord->WholeLine(upload, line);
    if (line.stopped) throw new CFTPException(CFTPException::kAborted, ftp_message::kAborted);
  }
}
