// The run's last step on a line faster than every product: the whole line in each direction
// that asks for it.
#include <cstdio>
#include <random>

#include "ftp/ftp_client.h"
#include "ftp/ftp_exception.h"
#include "speedtest/line_phase.h"
#include "speedtest/run.h"
#include "speedtest/run_constants.h"
#include "speedtest/run_record.h"

namespace {

// Eight hexadecimal digits, different for each run.
std::string RandomToken() {
  std::random_device random;
  char text[16];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(random()));
  return text;
}

}  // namespace

void CTestRun::RemoveLeftFiles(CFtpClient& client, std::vector<std::string>& files) {
  // A session lost during an upload could not delete its file; the run's own session,
  // still logged in, tries once more. What the server still refuses stays in the record.
  std::vector<std::string> left;
  for (const std::string& file : files) {
    try {
      if (!client.Remove(file)) left.push_back(file);
    } catch (CFTPException* e) {
      e->Delete();
      left.push_back(file);
    }
  }
  files = std::move(left);
}

void CTestRun::MeasureWholeLine(CFtpClient& client, CTestOutcome& outcome) {
  const sockaddr_storage server = client.ServerAddress();
  // Other customers upload to the same folder at the same time: a name of the run's own.
  const std::string uploadStem = "hastighed-" + RandomToken();
  for (const bool upload : {false, true}) {
    const CRateRecord& rates = upload ? outcome.upload.rates : outcome.download.rates;
    const bool beyond = rates.converted >= TierBands(!upload).back().toKbit;
    if (m_wholeLine == WholeLine::kNever || (m_wholeLine == WholeLine::kBeyondTiers && !beyond)) {
      continue;
    }
    const char* direction = upload ? "upload" : "download";
    m_pRecord->Step(std::string("whole line ") + direction);
    m_lastBytes = 0;
    m_pListener->OnStage(RunStage::kWholeLine, direction, 0, outcome.attempts);
    CLineDirection& line = upload ? outcome.lineUpload : outcome.lineDownload;
    line = MeasureLineDirection(server, upload, upload ? kUploadFolder : kDownloadFolder,
                                upload ? uploadStem : kLargeTestFile, kLargeTestFileBytes, this);
    if (!line.stopped) RemoveLeftFiles(client, line.leftFiles);
    m_pRecord->WholeLine(upload, line);
    if (line.stopped) throw new CFTPException(CFTPException::kAborted, ftp_message::kAborted);
  }
}
