#include "app/browser_lookup.h"
#include "kernel/utf16_win32.h"

#include <shellapi.h>

namespace {

constexpr char kProbeName[] = "tmp.htm";
constexpr char kProbeContent[] = "<HTML></HTML>";

}  // namespace

bool WriteBrowserProbe(const std::string& path) {
  const std::wstring wide = Widen(path);
  // A link or junction planted at the path is left alone, not written through.
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return false;
  }
  const HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const DWORD size = sizeof kProbeContent - 1;
  const bool ok = ::WriteFile(file, kProbeContent, size, &written, nullptr) && written == size;
  return ::CloseHandle(file) && ok;
}

std::string FindDefaultBrowser(const std::string& tempDirectory) {
  const std::string probe = tempDirectory + kProbeName;
  if (!WriteBrowserProbe(probe)) return std::string();
  wchar_t executable[MAX_PATH + 1] = {};
  const auto found =
      reinterpret_cast<INT_PTR>(::FindExecutableW(Widen(probe).c_str(), nullptr, executable));
  ::DeleteFileW(Widen(probe).c_str());
  return found > 32 ? Narrow(executable) : std::string();
}
