// Whole test runs against a server whose every byte and every move the input decides
// (fake_network.h tells how), through the real run and FTP client over the fake socket
// layer. A finding is a crash, a leak or undefined behaviour (the sanitizers), or one of
// the traps below.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "ftp/ftp_exception.h"
#include "speedtest/run.h"
#include "speedtest/run_constants.h"
#include "tests/fuzz/closing_front_end.h"
#include "tests/fuzz/fake_network.h"

namespace {

// A session of three attempts cannot wait longer than this on the server's time-outs.
constexpr long long kLongestSessionMs = 2LL * 60 * 60 * 1000;

// The user: closes the window after as many reports and wait slices as the script says,
// counted from the whole line's start in a run that measures it.
class User : public CClosingFrontEnd {
 public:
  User() {
    CloseAt(fake_network::CloseAfterReports(), fake_network::LineCarried() ? "whole line" : "");
  }
  bool ReportWaiting() override {
    if (fake_network::NowMs() > kLongestSessionMs) __builtin_trap();  // a wait without end
    return Count();
  }
};

// One of the failure codes a run reports: an FTP failure code, or the run stopped.
bool IsFailureCode(int code) {
  return (code >= CFTPException::kUnknown &&
          code <= CFTPException::kCannotOpenRemoteFileForWriting) ||
         code == CFTPException::kAborted;
}

constexpr char kFolder[] = "/fuzz";

// Every file of the whole line's uploads that the server still holds is one the run said it
// could not delete.
bool AllLeftFilesSaid(const CTestOutcome& outcome) {
  std::set<std::string> said = {kSmallTestFile};  // the run's own upload, overwritten by the next
  for (const std::string& left : outcome.lineUpload.leftFiles)
    said.insert(left.substr(left.rfind('/') + 1));
  for (const std::string& file : fake_network::ServerFiles()) {
    if (!said.count(file)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // No run log or history anywhere: without these there are no folders for them, and nothing
  // is asked of the file system.
  ::unsetenv("XDG_CACHE_HOME");
  ::unsetenv("XDG_DATA_HOME");
  ::unsetenv("HOME");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fake_network::StartSession(data, size);
  User user;
  CTestOutcome outcome;
  {
    // A name looked up on the resolver's thread, or an address known at once: one input in
    // eight, by its length, takes the thread, so that both ways are fuzzed and the thread's
    // hand-offs do not take a tenth of the time.
    CTestRun run(kFolder, size % 8 == 7 ? "fuzz.test" : "192.0.2.1", 21, &user,
                 fake_network::Environment());
    run.EchoLog(false);
    run.SetWholeLine(fake_network::LineCarried() ? WholeLine::kAlways : WholeLine::kNever);
    outcome = run.Run();
  }
  if (std::getenv("LUMVIK_FUZZ_TRACE")) {
    // What a session did, for reading a finding or a seed.
    for (const std::string& command : fake_network::Commands())
      std::fprintf(stderr, "> %s\n", command.c_str());
    std::fprintf(stderr, "%s after %lld ms, %d attempts: code %d in %s: %s\n",
                 outcome.finished ? "result" : "failure", fake_network::NowMs(), outcome.attempts,
                 outcome.errorCode, outcome.errorStep.c_str(), outcome.errorCause.c_str());
  }
  if (fake_network::NowMs() > kLongestSessionMs) __builtin_trap();
  // Every socket closed once the run is over.
  if (fake_network::OpenSockets() != 0) __builtin_trap();
  // Only CFTPException reached the run, with one of its failure codes.
  if (!outcome.finished && !IsFailureCode(outcome.errorCode)) __builtin_trap();
  if (outcome.errorCause == "unexpected failure") __builtin_trap();
  // No result after a transfer the server failed.
  if (outcome.finished && fake_network::ServerFailedATransfer()) __builtin_trap();
  // No test file left behind, here or, unsaid, on the server.
  if (fake_network::LocalFileCount() != 0) __builtin_trap();
  if (!AllLeftFilesSaid(outcome)) __builtin_trap();
  fake_network::EndSession();
  return 0;
}
