#include <shlobj.h>

#include "kernel/directories.h"
#include "kernel/utf16_win32.h"

namespace {

constexpr char kProgramFolder[] = "Lumvik Hastighed";

// %LOCALAPPDATA%\Lumvik Hastighed, made when missing; empty when it cannot be.
std::string ProgramFolder() {
  wchar_t* local = nullptr;
  std::string folder;
  if (::SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &local) == S_OK) {
    folder = Narrow(local) + kPathSeparator + kProgramFolder;
  }
  ::CoTaskMemFree(local);
  if (folder.empty()) return folder;
  const std::wstring wide = Widen(folder);
  if (!::CreateDirectoryW(wide.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
    return std::string();
  }
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  // A planted link in place of the folder could lead the test files anywhere.
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return std::string();
  }
  return folder;
}

}  // namespace

std::string PrivateCacheDirectory() {
  return ProgramFolder();
}

std::string PrivateDataDirectory() {
  return ProgramFolder();
}

std::string TemporaryDirectory() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
  std::string temp = length > 0 && length <= MAX_PATH ? Narrow(std::wstring(buffer, length))
                                                      : std::string("C:\\Windows\\Temp\\");
  if (temp.back() != kPathSeparator) temp += kPathSeparator;
  return temp;
}

std::string DocumentFontPath(bool bold) {
  wchar_t* fonts = nullptr;
  std::string path;
  if (::SHGetKnownFolderPath(FOLDERID_Fonts, 0, nullptr, &fonts) == S_OK) {
    path = Narrow(fonts) + kPathSeparator + (bold ? "arialbd.ttf" : "arial.ttf");
  }
  ::CoTaskMemFree(fonts);
  const DWORD attributes =
      path.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(Widen(path).c_str());
  return attributes == INVALID_FILE_ATTRIBUTES ? std::string() : path;
}
