// The private folder that holds a run's test files: whether it is safe to put them there,
// and the lock that lets one run at a time use the line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "kernel/file_system.h"

// Why `folder` is no private folder on the system: missing, not a folder, a link, not the
// user's own, or writable by others. Empty when it is one.
inline std::string FolderRefusal(const std::string& folder) {
  return SystemFiles().FolderRefusal(folder);
}

// An exclusive lock on a file, held until Release or destruction. The system drops it when
// the process dies, however it ends, so no lock outlives its run.
class CFolderLock {
 public:
  enum class Result { kTaken, kTimedOut, kStopped, kFailed };

  // A lock among `files` (the system's unless given, which outlives it).
  explicit CFolderLock(CFileSystem& files = SystemFiles()) : m_files(files) {}
  CFolderLock(const CFolderLock&) = delete;
  CFolderLock& operator=(const CFolderLock&) = delete;
  ~CFolderLock() { Release(); }

  // Takes the lock on `path` (made, mode 0600, when missing; a link there is refused). While
  // another holder has it: `onBusy` once, then `stopWaiting` every 100 ms (true stops the
  // wait), for at most `timeoutMs`. kFailed puts the system's words in `failure`.
  Result Take(const std::string& path, int timeoutMs, const std::function<void()>& onBusy,
              const std::function<bool()>& stopWaiting, std::string* failure);
  void Release() {
    if (m_handle != CFileSystem::kNone) m_files.Unlock(m_handle);
    m_handle = CFileSystem::kNone;
  }
  bool Held() const { return m_handle != CFileSystem::kNone; }

 private:
  CFileSystem& m_files;
  CFileSystem::Handle m_handle = CFileSystem::kNone;
};
