#include "kernel/private_folder.h"

#include <chrono>
#include <thread>

CFolderLock::Result CFolderLock::Take(const std::string& path, int timeoutMs,
                                      const std::function<void()>& onBusy,
                                      const std::function<bool()>& stopWaiting,
                                      std::string* failure) {
  Release();
  bool failed = false;
  if (m_files.TryLock(path, &m_handle, failure, &failed)) return Result::kTaken;
  if (failed) return Result::kFailed;
  onBusy();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (stopWaiting()) return Result::kStopped;
    if (std::chrono::steady_clock::now() >= deadline) return Result::kTimedOut;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (m_files.TryLock(path, &m_handle, failure, &failed)) return Result::kTaken;
    if (failed) return Result::kFailed;
  }
}
