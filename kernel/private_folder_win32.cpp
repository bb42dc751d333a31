#include "kernel/system_files.h"
#include "kernel/utf16_win32.h"

std::string CSystemFiles::FolderRefusal(const std::string& folder) {
  if (folder.empty()) return "no private folder for the test files";
  const DWORD attributes = ::GetFileAttributesW(Widen(folder).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return folder + ": " + SystemErrorText(::GetLastError());
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return folder + " is a link";
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return folder + " is not a folder";
  // The folder lies in the user's %LOCALAPPDATA%, which only the user may write.
  return std::string();
}

bool CSystemFiles::TryLock(const std::string& path, Handle* lock, std::string* failure,
                           bool* failed) {
  *failed = false;
  const HANDLE file = ::CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *failed = true;
    *failure = path + ": " + SystemErrorText(::GetLastError());
    return false;
  }
  // The system drops a byte-range lock when its handle closes, at the latest when the
  // process ends.
  OVERLAPPED start{};
  if (!::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &start)) {
    const DWORD error = ::GetLastError();
    ::CloseHandle(file);
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) return false;
    *failed = true;
    *failure = path + ": " + SystemErrorText(error);
    return false;
  }
  *lock = reinterpret_cast<Handle>(file);
  return true;
}

void CSystemFiles::Unlock(Handle lock) {
  ::CloseHandle(reinterpret_cast<HANDLE>(lock));
}
