#include <gtest/gtest.h>
#include <oleacc.h>
#include <windows.h>
#include <wx/app.h>
#include <wx/window.h>

#include <cstdlib>
#include <string>

#include "kernel/utf16_win32.h"
#include "tests/support/file_contents.h"
#include "tests/support/user_folders.h"
#include "tests/support/window_test_env.h"

namespace {

std::string g_root;

// IAccessible's id, of our own: wx's libraries bring libuuid, whose copy would clash with
// oleacc's.
const IID kIAccessible = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

bool SetClassDefault(const std::wstring& key, const std::wstring& value) {
  HKEY handle = nullptr;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + key).c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &handle, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const auto size = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  const bool set =
      ::RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       size) == ERROR_SUCCESS;
  ::RegCloseKey(handle);
  return set;
}

// Registered where the system's lookup reads it: Wine's FindExecutable takes HKLM's classes,
// not HKCU's.
bool RegisterFakeBrowser() {
  const std::wstring browser = Widen(FakeBrowserPath());
  return SetClassDefault(L".htm", L"lumvikbrowser") &&
         SetClassDefault(L"lumvikbrowser\\shell\\open\\command", L"\"" + browser + L"\" \"%1\"");
}

}  // namespace

const char kConnectionRefused[] = "Connection refused.";  // Wine's words for WSAECONNREFUSED

std::string WindowTestRoot() {
  return g_root;
}
// The test command names the browser stand-in (win32_probe) in LUMVIK_TEST_BROWSER.
std::string FakeBrowserPath() {
  const char* browser = std::getenv("LUMVIK_TEST_BROWSER");
  return browser ? browser : "";
}
// The stand-in records into %TEMP%, which main() points into the root.
std::string FakeBrowserLog() {
  return g_root + "\\tmp\\browser.log";
}
std::string FakeBrowserCommand() {
  return FakeBrowserPath();
}

std::vector<std::string> NotBrowsers() {
  const std::string notAProgram = g_root + "\\not-a-browser.lumvik";  // no handler either
  WriteWholeFile(notAProgram, "x");
  return {"", "C:\\nonexistent\\browser.exe", notAProgram};
}

std::string ExpectedPrivateFolder() {
  return g_root + "\\local\\Lumvik Hastighed";
}

bool OnlyTheUserMayEnter(const std::string&) {
  return true;
}

// A file in the folder's place. (A planted link would be the other case, but Wine shows no
// reparse point.)
std::vector<FolderTakenAway> WaysToTakeTheFolderAway(const std::string&) {
  const std::string folder = ExpectedPrivateFolder();
  const std::string aside = folder + " aside";
  return {
      {"a file in its place",
       [=] {
         ASSERT_TRUE(::MoveFileW(Widen(folder).c_str(), Widen(aside).c_str()));
         WriteWholeFile(folder, "x");
       },
       [=] {
         ::DeleteFileW(Widen(folder).c_str());
         ASSERT_TRUE(::MoveFileW(Widen(aside).c_str(), Widen(folder).c_str()));
       }},
  };
}

bool PrepareWindowTestRoot() {
  g_root = PointUserFoldersIntoRoot("lumvik-window-test");
  return !g_root.empty() && !FakeBrowserPath().empty() && RegisterFakeBrowser();
}

void RemoveWindowTestRoot() {
  RemoveUserFoldersRoot();
}

// wxMSW's Yield dispatched no mouse message here (a click reached the link only in a modal
// loop), so the thread's messages go as the program's own loop sends them.
void PumpWindowEvents() {
  for (int i = 0; i < 5; ++i) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    wxTheApp->ProcessPendingEvents();
  }
}

std::string AccessibleNameOf(wxWindow* window) {
  ::CoInitialize(nullptr);
  IAccessible* accessible = nullptr;
  if (::AccessibleObjectFromWindow(static_cast<HWND>(window->GetHWND()), OBJID_CLIENT, kIAccessible,
                                   reinterpret_cast<void**>(&accessible)) != S_OK) {
    return "";
  }
  VARIANT self;
  ::VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  const std::string result =
      accessible->get_accName(self, &name) == S_OK && name ? Narrow(name) : std::string();
  ::SysFreeString(name);
  accessible->Release();
  return result;
}
