#include <windows.h>

#include <filesystem>

#include "kernel/utf16_win32.h"
#include "tests/support/user_folders.h"

namespace {

std::string g_root;

constexpr wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
std::wstring g_localAppData;  // the user's own, put back at the end

// The shell looks the user's folders up here each time: %LOCALAPPDATA% moves into the root,
// as the XDG folders do on Linux, and the runs' files with it.
bool PointLocalAppDataAt(const std::wstring& folder) {
  HKEY handle = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS) {
    return false;
  }
  if (g_localAppData.empty()) {
    wchar_t previous[MAX_PATH + 1] = {};
    DWORD size = sizeof previous - sizeof(wchar_t);
    if (::RegQueryValueExW(handle, L"Local AppData", nullptr, nullptr,
                           reinterpret_cast<BYTE*>(previous), &size) == ERROR_SUCCESS) {
      g_localAppData = previous;
    }
  }
  const auto size = static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t));
  const bool set =
      ::RegSetValueExW(handle, L"Local AppData", 0, REG_EXPAND_SZ,
                       reinterpret_cast<const BYTE*>(folder.c_str()), size) == ERROR_SUCCESS;
  ::RegCloseKey(handle);
  return set;
}

}  // namespace

std::string PointUserFoldersIntoRoot(const std::string& name) {
  wchar_t temp[MAX_PATH + 1] = {};
  if (!::GetTempPathW(MAX_PATH + 1, temp)) return std::string();
  g_root = Narrow(temp) + name + "-" + std::to_string(::GetCurrentProcessId());
  std::error_code error;
  std::filesystem::create_directories(Widen(g_root + "\\tmp"), error);
  std::filesystem::create_directories(Widen(g_root + "\\local"), error);
  if (error || !PointLocalAppDataAt(Widen(g_root + "\\local"))) return std::string();
  // Inherited by the programs a test starts.
  ::SetEnvironmentVariableW(L"TMP", Widen(g_root + "\\tmp").c_str());
  ::SetEnvironmentVariableW(L"TEMP", Widen(g_root + "\\tmp").c_str());
  return g_root;
}

void RemoveUserFoldersRoot() {
  if (!g_localAppData.empty()) PointLocalAppDataAt(g_localAppData);
  std::error_code error;
  std::filesystem::remove_all(Widen(g_root), error);
}
