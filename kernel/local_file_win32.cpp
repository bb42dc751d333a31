#include "kernel/local_file.h"

#include <algorithm>

#include "kernel/utf16_win32.h"

namespace {

HANDLE AsHandle(std::intptr_t file) {
  return reinterpret_cast<HANDLE>(file);
}

}  // namespace

void CFile::CloseQuietly() {
  ::CloseHandle(AsHandle(m_hFile));
  m_hFile = kNoFile;
}

bool CFile::Open(const std::string& path, UINT flags) {
  if (m_hFile != kNoFile) return false;
  const bool writing = (flags & modeWrite) != 0;
  const DWORD disposition = writing && (flags & modeCreate) ? CREATE_ALWAYS : OPEN_EXISTING;
  // A reparse point at `path` is opened as itself, then refused, rather than followed. A
  // run that the session's end cuts short deletes its test file while a transfer still
  // holds it: sharing the delete lets the file go when the last handle closes.
  const HANDLE file = ::CreateFileW(Widen(path).c_str(), writing ? GENERIC_WRITE : GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    m_nOpenError = static_cast<int>(::GetLastError());
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    ::CloseHandle(file);
    m_nOpenError = ERROR_CANT_ACCESS_FILE;
    return false;
  }
  m_hFile = reinterpret_cast<std::intptr_t>(file);
  m_strFileName = path;
  return true;
}

UINT CFile::ReadDirect(void* buffer, UINT count) {
  auto* out = static_cast<char*>(buffer);
  UINT total = 0;
  while (total < count) {
    DWORD n = 0;
    if (!::ReadFile(AsHandle(m_hFile), out + total, count - total, &n, nullptr)) ThrowLastError();
    if (n == 0) break;
    total += n;
  }
  return total;
}

void CFile::WriteDirect(const void* buffer, UINT count) {
  const auto* in = static_cast<const char*>(buffer);
  UINT total = 0;
  while (total < count) {
    DWORD n = 0;
    if (!::WriteFile(AsHandle(m_hFile), in + total, count - total, &n, nullptr)) {
      ThrowLastError();
    }
    total += n;
  }
}

ULONGLONG CFile::LengthDirect() const {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(AsHandle(m_hFile), &size)) ThrowLastError();
  return static_cast<ULONGLONG>(size.QuadPart);
}

void CFile::CloseDirect() {
  const HANDLE file = AsHandle(m_hFile);
  m_hFile = kNoFile;
  if (!::CloseHandle(file)) ThrowLastError();
}

void CFile::ThrowLastError() const {
  throw new CFileException(static_cast<int>(::GetLastError()), m_strFileName);
}

bool RemoveFile(const std::string& path) {
  return ::DeleteFileW(Widen(path).c_str()) != 0;
}

std::string FileErrorText(int cause) {
  return SystemErrorText(static_cast<DWORD>(cause));
}
