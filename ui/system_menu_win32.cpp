#include <windows.h>

#include "kernel/utf16_win32.h"
#include "res/resource.h"
#include "ui/system_menu.h"

void AppendAboutToSystemMenu(wxTopLevelWindow* window, const std::string& aboutText) {
  HMENU menu = ::GetSystemMenu(static_cast<HWND>(window->GetHWND()), FALSE);
  if (!menu || aboutText.empty()) return;
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, Widen(aboutText).c_str());
}
