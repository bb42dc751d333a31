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
    m_pRecord->WholeLine(upload, line);
    if (line.stopped) throw new CFTPException(CFTPException::kAborted, ftp_message::kAborted);
  }
}
