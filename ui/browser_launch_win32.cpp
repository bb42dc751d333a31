#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include "kernel/utf16_win32.h"
#include "ui/browser_launch.h"

bool OpenWithBrowser(const std::string& browser, const std::string& url) {
  if (browser.empty()) return false;
  const auto result = reinterpret_cast<INT_PTR>(::ShellExecuteW(
      nullptr, L"open", Widen(browser).c_str(), Widen(url).c_str(), nullptr, SW_SHOWNORMAL));
  return result > 32;
}
