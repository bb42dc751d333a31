#include "kernel/local_file.h"
#include "kernel/system_files.h"
#include "kernel/utf16_win32.h"

namespace {

HANDLE AsHandle(CFileSystem::Handle file) {
  return reinterpret_cast<HANDLE>(file);
}

int LastError() {
  return static_cast<int>(::GetLastError());
}

}  // namespace

int CSystemFiles::Open(const std::string& path, UINT flags, Handle* file) {
  const bool writing = (flags & CFile::modeWrite) != 0;
  const DWORD disposition = writing && (flags & CFile::modeCreate) ? CREATE_ALWAYS : OPEN_EXISTING;
  // A reparse point at `path` is opened as itself, then refused, rather than followed. A
  // run that the session's end cuts short deletes its test file while a transfer still
  // holds it: sharing the delete lets the file go when the last handle closes.
  const HANDLE opened =
      ::CreateFileW(Widen(path).c_str(), writing ? GENERIC_WRITE : GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, disposition,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return LastError();
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(opened, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    ::CloseHandle(opened);
    return ERROR_CANT_ACCESS_FILE;
  }
  *file = reinterpret_cast<Handle>(opened);
  return 0;
}

int CSystemFiles::Read(Handle file, void* buffer, UINT count, UINT* read) {
  auto* out = static_cast<char*>(buffer);
  *read = 0;
  while (*read < count) {
    DWORD n = 0;
    if (!::ReadFile(AsHandle(file), out + *read, count - *read, &n, nullptr)) return LastError();
    if (n == 0) break;
    *read += n;
  }
  return 0;
}

int CSystemFiles::Write(Handle file, const void* buffer, UINT count) {
  const auto* in = static_cast<const char*>(buffer);
  UINT total = 0;
  while (total < count) {
    DWORD n = 0;
    if (!::WriteFile(AsHandle(file), in + total, count - total, &n, nullptr)) return LastError();
    total += n;
  }
  return 0;
}

int CSystemFiles::Length(Handle file, ULONGLONG* length) {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(AsHandle(file), &size)) return LastError();
  *length = static_cast<ULONGLONG>(size.QuadPart);
  return 0;
}

int CSystemFiles::Close(Handle file) {
  return ::CloseHandle(AsHandle(file)) ? 0 : LastError();
}

bool CSystemFiles::Remove(const std::string& path) {
  return ::DeleteFileW(Widen(path).c_str()) != 0;
}

std::string FileErrorText(int cause) {
  return SystemErrorText(static_cast<DWORD>(cause));
}
