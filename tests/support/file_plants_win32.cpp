#include <windows.h>

#include "kernel/utf16_win32.h"
#include "tests/support/file_plants.h"

bool PlantLink(const std::string& target, const std::string& link) {
  if (!::CreateSymbolicLinkW(Widen(link).c_str(), Widen(target).c_str(), 0)) return false;
  const DWORD attributes = ::GetFileAttributesW(Widen(link).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return true;
  }
  ::DeleteFileW(Widen(link).c_str());
  return false;
}

bool PlantHardLink(const std::string& target, const std::string& link) {
  return ::CreateHardLinkW(Widen(link).c_str(), Widen(target).c_str(), nullptr) != 0;
}

bool PlantUnwritable(const std::string& path) {
  if (!::SetFileAttributesW(Widen(path).c_str(), FILE_ATTRIBUTE_READONLY)) return false;
  const HANDLE probe = ::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe == INVALID_HANDLE_VALUE) return true;
  ::CloseHandle(probe);
  return false;
}

bool PrivateToTheUser(const std::string&) {
  return true;
}

OpenNewFiles::OpenNewFiles() = default;

OpenNewFiles::~OpenNewFiles() = default;
