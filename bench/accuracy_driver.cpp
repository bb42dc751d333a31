// One test run's measurements through the program's own transfer code, without a window:
// the small download, the large one when the small took under 6 s, the upload, and the
// rates and tiers that the run would show. Prints one line of name=value pairs.
//   accuracy_driver HOST PORT SCRATCH_DIR
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ftp/ftp_client.h"
#include "ftp/ftp_exception.h"
#include "ftp/progress_sink.h"
#include "speedtest/rate_conversion.h"
#include "speedtest/run_constants.h"

namespace {

// Keeps the seconds of the latest report, as the dialog's m_elapsedSeconds does.
class LastSeconds : public CProgressSink {
 public:
  bool ReportProgress(DWORD, double seconds) override {
    elapsed = seconds;
    return false;
  }
  double elapsed = 0.0;
};

// The tier without the blank that pads three-digit download tiers.
std::string TierOrNone(const CRateRecord& record) {
  if (!record.matched) return "none";
  return record.tier.substr(record.tier.find_first_not_of(' '));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s HOST PORT SCRATCH_DIR\n", argv[0]);
    return 2;
  }
  const std::string small = std::string(argv[3]) + "/" + kSmallTestFile;
  const std::string large = std::string(argv[3]) + "/" + kLargeTestFile;
  LastSeconds clock;
  CFtpClient client(&clock);
  try {
    client.Connect(argv[1], kTestUser, kTestPassword, false,
                   static_cast<INTERNET_PORT>(std::atoi(argv[2])));
    CRateRecord download;
    CRateRecord upload;
    client.Download(kDownloadFolder, kSmallTestFile, small);
    const double smallSeconds = clock.elapsed;
    const bool largeFetched = smallSeconds < kLargeFileBelowSeconds;
    int index;
    if (largeFetched) {
      client.Download(kDownloadFolder, kLargeTestFile, large);
      index = ComputeRate(kLargeFileKbit, clock.elapsed, &download);
    } else {
      index = ComputeRate(kSmallFileKbit, smallSeconds, &download);
    }
    download.matched = MatchDownloadTier(index, download.tier);
    const double downloadSeconds = clock.elapsed;
    client.Upload(small, kUploadFolder, kSmallTestFile);
    upload.matched =
        MatchUploadTier(ComputeRate(kSmallFileKbit, clock.elapsed, &upload), upload.tier);
    std::printf(
        "download_file=%s download_seconds=%.3f download_raw=%.1f download_converted=%.1f "
        "download_tier=%s upload_seconds=%.3f upload_raw=%.1f upload_converted=%.1f "
        "upload_tier=%s\n",
        largeFetched ? kLargeTestFile : kSmallTestFile, downloadSeconds, download.raw,
        download.converted, TierOrNone(download).c_str(), clock.elapsed, upload.raw,
        upload.converted, TierOrNone(upload).c_str());
  } catch (CFTPException* e) {
    std::fprintf(stderr, "failed: %d %s\n", e->m_nCode, e->m_strMessage.c_str());
    e->Delete();
    return 1;
  }
  return 0;
}
