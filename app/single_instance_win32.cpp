#include <windows.h>

#include "app/single_instance.h"
#include "kernel/utf16_win32.h"
#include "res/dialog_templates.h"

// The later copy finds the first one's dialog by its caption and brings it to the front
// itself: the user has just started it, so Windows lets it hand the foreground on.

namespace {

constexpr wchar_t kCheckerName[] = L"LumvikHastighedWindow";
// A first copy that has just started may not show its dialog yet.
constexpr int kFindTries = 30;
constexpr DWORD kFindPauseMs = 100;

struct Search {
  std::wstring caption;
  HWND found = nullptr;
};

BOOL CALLBACK Consider(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  if (process == ::GetCurrentProcessId()) return TRUE;
  const int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), length + 1)));
  if (text != search->caption) return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

bool CSingleInstance::RaisedAnother() {
  m_checker = std::make_unique<wxSingleInstanceChecker>();
  if (!m_checker->Create(wxString(kCheckerName) + "-" + wxGetUserId()) ||
      !m_checker->IsAnotherRunning()) {
    return false;
  }
  Search search{Widen(kMainDialogTemplate.caption)};
  for (int i = 0; i < kFindTries && !search.found; ++i) {
    ::EnumWindows(Consider, reinterpret_cast<LPARAM>(&search));
    if (!search.found) ::Sleep(kFindPauseMs);
  }
  if (search.found) {
    if (::IsIconic(search.found)) ::ShowWindow(search.found, SW_RESTORE);
    ::SetForegroundWindow(search.found);
  }
  // Even a first copy whose dialog does not show runs: a second one would measure beside it.
  return true;
}

// The later copy raises the dialog itself: nothing to listen for.
void CSingleInstance::ServeRaises(wxTopLevelWindow*) {}

CSingleInstance::~CSingleInstance() = default;
