// Throughput of CFtpClient against curl on the same server and file.
//   transfer_bench PORT SERVER_ROOT SCRATCH_DIR
// SERVER_ROOT/pub/big.rnd must exist; SERVER_ROOT/pub/upload/ must be writable.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "ftp/ftp_client.h"
#include "ftp/ftp_exception.h"
#include "ftp/progress_sink.h"

namespace {

class NoOpOwner : public CProgressSink {
 public:
  bool ReportProgress(DWORD, double) override { return false; }
};

double SecondsOf(const std::function<void()>& action) {
  const auto start = std::chrono::steady_clock::now();
  action();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The best of three runs, against noise from the other core.
double BestOf3(const std::function<void()>& action) {
  double best = 1e300;
  for (int i = 0; i < 3; ++i) best = std::min(best, SecondsOf(action));
  return best;
}

void RunOrDie(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s PORT SERVER_ROOT SCRATCH_DIR\n", argv[0]);
    return 2;
  }
  const auto port = static_cast<INTERNET_PORT>(std::atoi(argv[1]));
  const std::string scratch = argv[3];
  const std::string ours = scratch + "/ours.rnd";
  const std::string theirs = scratch + "/curl.rnd";
  const std::string url = "ftp://127.0.0.1:" + std::string(argv[1]) + "/pub/";
  struct stat info {};
  if (::stat((std::string(argv[2]) + "/pub/big.rnd").c_str(), &info) != 0) return 2;
  const double megabytes = static_cast<double>(info.st_size) / (1024.0 * 1024.0);

  NoOpOwner owner;
  CFtpClient client(&owner);
  try {
    client.Connect("127.0.0.1", "anonymous", "ip@lumvik.dk", false, port);
    const double ourDown = BestOf3([&] { client.Download("/pub/", "big.rnd", ours); });
    const double curlDown =
        BestOf3([&] { RunOrDie("curl -s -S -P - -o '" + theirs + "' '" + url + "big.rnd'"); });
    const double ourUp = BestOf3([&] { client.Upload(ours, "/pub/upload/", "ours.rnd"); });
    const double curlUp = BestOf3(
        [&] { RunOrDie("curl -s -S -P - -T '" + theirs + "' '" + url + "upload/curl.rnd'"); });

    std::printf("%-10s %12s %12s %8s\n", "direction", "ours MB/s", "curl MB/s", "ratio");
    std::printf("%-10s %12.1f %12.1f %8.2f\n", "download", megabytes / ourDown,
                megabytes / curlDown, curlDown / ourDown);
    std::printf("%-10s %12.1f %12.1f %8.2f\n", "upload", megabytes / ourUp, megabytes / curlUp,
                curlUp / ourUp);
  } catch (CFTPException* e) {
    std::fprintf(stderr, "transfer failed: %d %s\n", e->m_nCode, e->m_strMessage.c_str());
    e->Delete();
    return 1;
  }
  return 0;
}
