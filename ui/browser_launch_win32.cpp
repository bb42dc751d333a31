#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include "kernel/utf16_win32.h"
#include "ui/browser_launch.h"

bool OpenWithBrowser(const std::string& browser, const std::string& url) {
  if (browser.empty()) return false;
  const std::wstring file = Widen(browser);
  const std::wstring parameters = Widen(url);
  SHELLEXECUTEINFOW launch{};
  launch.cbSize = sizeof launch;
  // A browser that has gone since the lookup opens nothing, as on Linux: no error box.
  launch.fMask = SEE_MASK_FLAG_NO_UI;
  launch.lpVerb = L"open";
  launch.lpFile = file.c_str();
  launch.lpParameters = parameters.c_str();
  launch.nShow = SW_SHOWNORMAL;
  return ::ShellExecuteExW(&launch) != FALSE;
}
