#include <windows.h>

#include "kernel/utf16_win32.h"
#include "ui/system_menu.h"

void AppendToSystemMenu(wxTopLevelWindow* window, const SystemMenuItems& items) {
  HMENU menu = ::GetSystemMenu(static_cast<HWND>(window->GetHWND()), FALSE);
  if (!menu) return;
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  for (const auto& [command, text] : items) {
    if (!text.empty()) ::AppendMenuW(menu, MF_STRING, command, Widen(text).c_str());
  }
}
