// The private folder that holds a run's test files: whether it is safe to put them there,
// and the lock that lets one run at a time use the line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Why `folder` is no private folder: missing, not a folder, a link, not the user's own, or
// writable by others. Empty when it is one.
std::string FolderRefusal(const std::string& folder);

// An exclusive lock on a file, held until Release or destruction. The system drops it when
// the process dies, however it ends, so no lock outlives its run.
class CFolderLock {
 public:
  enum class Result { kTaken, kTimedOut, kStopped, kFailed };

  CFolderLock() = default;
  CFolderLock(const CFolderLock&) = delete;
  CFolderLock& operator=(const CFolderLock&) = delete;
  ~CFolderLock() { Release(); }

  // Takes the lock on `path` (made, mode 0600, when missing; a link there is refused). While
  // another holder has it: `onBusy` once, then `stopWaiting` every 100 ms (true stops the
  // wait), for at most `timeoutMs`. kFailed puts the system's words in `failure`.
  Result Take(const std::string& path, int timeoutMs, const std::function<void()>& onBusy,
              const std::function<bool()>& stopWaiting, std::string* failure);
  void Release();
  bool Held() const { return m_handle != kNone; }

 private:
  // Whether the lock on `path` was free and is now ours; when the system fails, false with
  // `failed` set and its words in `failure`. One file per platform.
  bool TryTake(const std::string& path, std::string* failure, bool* failed);

  static constexpr std::intptr_t kNone = -1;
  std::intptr_t m_handle = kNone;
};
