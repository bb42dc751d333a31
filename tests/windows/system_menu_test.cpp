// The Windows dialog's system menu, read in the program's own process: Wine lets only the
// owner of a window read its system menu.
#include <gtest/gtest.h>
#include <windows.h>
#include <wx/app.h>
#include <wx/init.h>

#include <future>
#include <string>

#include "ui/speed_test_dlg.h"

namespace {

// Waits on its own thread for the About box, notes its title and closes it.
std::wstring CloseAboutWhenItShows() {
  for (int i = 0; i < 100; ++i) {
    if (HWND about = ::FindWindowW(nullptr, L"Om Lumvik Hastighedstest")) {
      wchar_t title[64] = {};
      ::GetWindowTextW(about, title, 64);
      ::PostMessageW(about, WM_CLOSE, 0, 0);
      return title;
    }
    ::Sleep(100);
  }
  return std::wstring();
}

TEST(SystemMenu, CarriesTheAboutItemAndItsCommandsOpenTheAboutBox) {
  CSpeedTestDlg dlg;
  dlg.Show();
  HWND window = static_cast<HWND>(dlg.GetHWND());
  HMENU menu = ::GetSystemMenu(window, FALSE);
  ASSERT_NE(menu, nullptr);
  const int count = ::GetMenuItemCount(menu);
  ASSERT_GE(count, 2);
  wchar_t item[64] = {};
  EXPECT_GT(::GetMenuStringW(menu, 16, item, 64, MF_BYCOMMAND), 0);
  EXPECT_STREQ(item, L"&About Lumvik Hastighed...");
  EXPECT_EQ(::GetMenuItemID(menu, count - 1), 16u);
  EXPECT_EQ(::GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));

  for (WPARAM command : {16u, 31u}) {
    std::future<std::wstring> title = std::async(std::launch::async, &CloseAboutWhenItShows);
    ::SendMessageW(window, WM_SYSCOMMAND, command, 0);  // returns when the box has closed
    EXPECT_EQ(title.get(), L"Om Lumvik Hastighedstest") << command;
  }
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) return 1;
  const int result = RUN_ALL_TESTS();
  wxTheApp->OnExit();
  wxEntryCleanup();
  return result;
}
