#include "speedtest/run_history.h"

#include <cstdio>

#include "kernel/directories.h"
#include "kernel/own_file.h"
#include "speedtest/run_record.h"

namespace {

constexpr std::size_t kLoggedRuns = 50;
constexpr std::size_t kLogBytes = 256 * 1024;

}  // namespace

void KeepRunRecord(const CRunRecord& record, bool echo) {
  if (echo) std::fputs(record.LogText().c_str(), stderr);
  if (const std::string log = RunLogPath(); !log.empty()) {
    RewriteOwnFile(log, [&](const std::string& old) {
      return AppendRunToLog(old, record.LogText(), kLoggedRuns, kLogBytes);
    });
  }
  if (record.ResultLine().empty()) return;
  if (const std::string history = ResultHistoryPath(); !history.empty()) {
    RewriteOwnFile(history, [&](const std::string& old) {
      return AppendResultLine(old, record.ResultLine());
    });
  }
}
