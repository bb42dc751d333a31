// The Windows dialog in the program's own process: its system menu, its links as screen
// readers see them, its display scale and its resources. In-process, because Wine lets
// only the owner of a window read its system menu, and marshals no IAccessible to another
// process.
#include <gtest/gtest.h>
#include <oleacc.h>
#include <windows.h>
#include <wx/app.h>
#include <wx/init.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <string>
#include <vector>

#include "app/speed_test_app.h"
#include "res/dialog_templates.h"
#include "res/resource.h"
#include "res/strings.h"
#include "speedtest/history_export.h"
#include "speedtest/rate_conversion.h"
#include "speedtest/result_text.h"
#include "ui/about_dlg.h"
#include "ui/history_chart.h"
#include "ui/history_dlg.h"
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

TEST(SystemMenu, CarriesTheAboutAndHistoryItemsAndTheAboutCommandsOpenTheAboutBox) {
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
  EXPECT_GT(::GetMenuStringW(menu, 32, item, 64, MF_BYCOMMAND), 0);
  EXPECT_STREQ(item, L"Historik...");
  EXPECT_EQ(::GetMenuItemID(menu, count - 2), 16u);
  EXPECT_EQ(::GetMenuItemID(menu, count - 1), 32u);
  EXPECT_EQ(::GetMenuState(menu, count - 3, MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));
  // The history item opens the history window, modeless, beside the dialog.
  ::SendMessageW(window, WM_SYSCOMMAND, 32, 0);
  EXPECT_NE(::FindWindowW(nullptr, L"Historik"), nullptr);

  for (WPARAM command : {16u, 31u}) {
    std::future<std::wstring> title = std::async(std::launch::async, &CloseAboutWhenItShows);
    ::SendMessageW(window, WM_SYSCOMMAND, command, 0);  // returns when the box has closed
    EXPECT_EQ(title.get(), L"Om Lumvik Hastighedstest") << command;
  }
}

// IAccessible's id, of our own: wx's libraries bring libuuid, whose copy would clash with
// oleacc's.
const IID kIAccessible = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// Each link answers MSAA as a link (and so UI Automation, through its bridge): role link,
// its text as name, a default action that opens its page as a click does.
TEST(LinkAccessibility, LinksAreLinksWhoseDefaultActionOpensTheirPage) {
  const char* browser = std::getenv("LUMVIK_TEST_BROWSER");
  ASSERT_NE(browser, nullptr);
  theApp.m_strBrowserPath = browser;
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring log = std::wstring(temp) + L"browser.log";
  ::DeleteFileW(log.c_str());
  ::CoInitialize(nullptr);

  CSpeedTestDlg dlg;
  dlg.Show();
  for (int id : {IDC_HELP_LINK, IDC_METHOD_LINK, IDC_UPGRADE_LINK}) {
    HWND link = static_cast<HWND>(dlg.FindWindow(id)->GetHWND());
    IAccessible* accessible = nullptr;
    ASSERT_EQ(::AccessibleObjectFromWindow(link, OBJID_CLIENT, kIAccessible,
                                           reinterpret_cast<void**>(&accessible)),
              S_OK);
    VARIANT self;
    ::VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT role;
    ::VariantInit(&role);
    BSTR name = nullptr;
    BSTR action = nullptr;
    EXPECT_EQ(accessible->get_accRole(self, &role), S_OK);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_LINK) << id;
    EXPECT_EQ(accessible->get_accName(self, &name), S_OK);
    EXPECT_EQ(std::wstring(name ? name : L""), dlg.FindWindow(id)->GetLabel().ToStdWstring());
    EXPECT_EQ(accessible->get_accDefaultAction(self, &action), S_OK);
    EXPECT_EQ(std::wstring(action ? action : L""), L"Click");
    EXPECT_EQ(accessible->accDoDefaultAction(self), S_OK);
    ::SysFreeString(name);
    ::SysFreeString(action);
    accessible->Release();
  }
  // The browser starts on its own, a process for each page, which a fresh Wine prefix
  // under load takes seconds to start.
  std::string pages;
  for (int i = 0; i < 600; ++i) {
    std::ifstream in(std::filesystem::path(log), std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    pages = content.str();
    if (std::count(pages.begin(), pages.end(), '\n') == 3) break;
    ::Sleep(100);
  }
  EXPECT_NE(pages.find("id=1\n"), std::string::npos) << pages;
  EXPECT_NE(pages.find("id=2\n"), std::string::npos) << pages;
  EXPECT_NE(pages.find("id=3\n"), std::string::npos) << pages;
}

// How many static controls of `dialog` have a text, each checked to fit its control.
int ExpectEveryTextFits(wxDialog& dialog, UINT dpi) {
  int statics = 0;
  for (wxWindow* child : dialog.GetChildren()) {
    HWND control = static_cast<HWND>(child->GetHWND());
    wchar_t kind[32] = {};
    ::GetClassNameW(control, kind, 32);
    const std::wstring text = child->GetLabel().ToStdWstring();
    if (std::wstring(kind) != L"Static" || text.empty()) continue;
    ++statics;
    RECT client{};
    ::GetClientRect(control, &client);
    HDC dc = ::GetDC(control);
    HGDIOBJ old =
        ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT needed{0, 0, client.right, 0};
    ::DrawTextW(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
    EXPECT_LE(needed.right, client.right) << child->GetId() << " at " << dpi << " DPI";
    EXPECT_LE(needed.bottom, client.bottom) << child->GetId() << " at " << dpi << " DPI";
  }
  return statics;
}

// At whatever scale the display has (the test command runs this at 96 and at 144 DPI): the
// logo is drawn at 50 pixels of 96 DPI, and no static's text is cut off, in the main dialog
// or in the About box.
TEST(DisplayScale, LogoScalesAndEveryTextFits) {
  CSpeedTestDlg dlg;
  dlg.Show();
  const UINT dpi = ::GetDpiForWindow(static_cast<HWND>(dlg.GetHWND()));
  ASSERT_GE(dpi, 96u);
  EXPECT_EQ(dlg.m_emblemIcon.GetWidth(), static_cast<int>(::MulDiv(50, dpi, 96)));
  EXPECT_GE(ExpectEveryTextFits(dlg, dpi), 5);
  // The widest results of a line the test files cannot tell, each with the longest notes
  // that the status field takes.
  const std::string tests =
      "Testresultat\n\nTest af download:  352941 kbit/s (omregnet fra 300000 kbit/s)\n"
      "Test af upload:      352941 kbit/s (omregnet fra 300000 kbit/s)";
  for (const char* connection : {"Netværkskortet kører 10000 Mbit/s: linjen kan være hurtigere.",
                                 "Anden trafik under testen: 123,4 Mbit/s ned, 123,4 Mbit/s op.",
                                 "Af abonnementet: mindst 9999 % ned, mindst 9999 % op."}) {
    dlg.m_infoText = WithNotes(
        tests, {"Hele linjen: mindst 9999,9 Mbit/s ned, mindst 9999,9 Mbit/s op", connection},
        kResultFieldLines);
    dlg.UpdateData(false);
    ExpectEveryTextFits(dlg, dpi);
  }

  CAboutDlg about;
  about.Show();
  EXPECT_EQ(ExpectEveryTextFits(about, dpi), 2);
}

// The history chart at the display's scale: as wide as its DIP size there, and drawn, its
// download in its colour, as the system's own GDI reads it back from the screen.
TEST(DisplayScale, HistoryChartGrowsAndDraws) {
  std::vector<CHistoryRun> runs;
  for (int i = 0; i < 6; ++i) {
    CHistoryRun run;
    run.time = std::time(nullptr) - (i + 1) * 3600;
    run.downloadConverted = 1800 + 100 * (i % 3);
    run.uploadConverted = 480;
    run.attempts = 1;
    runs.insert(runs.begin(), run);
  }
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::filesystem::path path = std::filesystem::path(temp) / L"lumvik-scale-history.csv";
  std::ofstream(path, std::ios::binary) << RunsAsCsv(runs);
  CHistoryDlg history(nullptr, path.u8string(), "3.0.0.4");
  history.Show();
  history.Raise();
  wxTheApp->Yield();
  CHistoryChart* chart = history.Chart();
  chart->Update();
  HWND window = static_cast<HWND>(chart->GetHWND());
  const UINT dpi = ::GetDpiForWindow(window);
  const wxSize size = chart->GetClientSize();
  EXPECT_GE(size.x, ::MulDiv(640, dpi, 96));
  EXPECT_GE(size.y, ::MulDiv(300, dpi, 96));
  const wxColour download = chart->DownloadColour();
  HDC dc = ::GetDC(window);
  int found = 0;
  for (int y = 0; y < size.y; ++y) {
    for (int x = 0; x < size.x; ++x) {
      found += ::GetPixel(dc, x, y) == RGB(download.Red(), download.Green(), download.Blue());
    }
  }
  ::ReleaseDC(window, dc);
  // Six dots and the lines between them, thicker with the scale.
  EXPECT_GT(found, ::MulDiv(60, dpi, 96)) << dpi;
  std::filesystem::remove(path);
}

// The resource script's copies of the dialogs and strings, which the program builds from
// res/dialog_templates.cpp and res/strings.cpp instead: a reader of the executable's
// resources must find the same.
class ResourceReader {
 public:
  explicit ResourceReader(const BYTE* at) : m_at(at) {}
  WORD Word() { return Take<WORD>(); }
  DWORD Dword() { return Take<DWORD>(); }
  short Short() { return Take<short>(); }
  // A string, or an ordinal as "#N".
  std::wstring TextOrOrdinal() {
    if (*reinterpret_cast<const WORD*>(m_at) == 0xFFFF) {
      Word();
      return L"#" + std::to_wstring(Word());
    }
    std::wstring text;
    for (WORD c = Word(); c != 0; c = Word()) text += static_cast<wchar_t>(c);
    return text;
  }
  void AlignToDword(const BYTE* base) {
    while ((m_at - base) % 4 != 0) ++m_at;
  }
  void Skip(std::size_t bytes) { m_at += bytes; }
  const BYTE* At() const { return m_at; }

 private:
  template <typename T>
  T Take() {
    T value;
    std::memcpy(&value, m_at, sizeof value);
    m_at += sizeof value;
    return value;
  }
  const BYTE* m_at;
};

std::wstring Wide(const char* utf8) {
  return wxString::FromUTF8(utf8).ToStdWstring();
}

void ExpectDialogResourceMatches(const DialogTemplate& dialog) {
  SCOPED_TRACE(dialog.id);
  HRSRC found = ::FindResourceW(nullptr, MAKEINTRESOURCEW(dialog.id), MAKEINTRESOURCEW(5));
  ASSERT_NE(found, nullptr);
  const auto* base = static_cast<const BYTE*>(::LockResource(::LoadResource(nullptr, found)));
  ResourceReader in(base);
  const bool extended = reinterpret_cast<const WORD*>(base)[1] == 0xFFFF;
  DWORD style;
  if (extended) {
    in.Word();   // version
    in.Word();   // signature
    in.Dword();  // help id
    in.Dword();  // extended style
    style = in.Dword();
  } else {
    style = in.Dword();
    in.Dword();
  }
  const WORD count = in.Word();
  in.Short();
  in.Short();
  EXPECT_EQ(in.Short(), dialog.width);
  EXPECT_EQ(in.Short(), dialog.height);
  in.TextOrOrdinal();  // menu
  in.TextOrOrdinal();  // class
  EXPECT_EQ(in.TextOrOrdinal(), Wide(dialog.caption));
  if (style & DS_SETFONT) {
    EXPECT_EQ(in.Word(), dialog.pointSize);
    if (extended) in.Skip(4);  // weight, italic, character set
    const std::wstring face = in.TextOrOrdinal();
    // The About box keeps its template's "MS Sans Serif" there; ours is the main dialog's.
    if (dialog.id == IDD_SPEEDTEST_DIALOG) {
      EXPECT_EQ(face, Wide(dialog.fontFace));
    }
  }
  ASSERT_EQ(count, dialog.controlCount);
  for (std::size_t i = 0; i < dialog.controlCount; ++i) {
    const ControlTemplate& control = dialog.controls[i];
    SCOPED_TRACE(i);
    in.AlignToDword(base);
    if (extended) in.Skip(12);  // help id, extended style, style
    if (!extended) in.Skip(8);  // style, extended style
    EXPECT_EQ(in.Short(), control.x);
    EXPECT_EQ(in.Short(), control.y);
    const short width = in.Short();
    const short height = in.Short();
    // An ICON statement sizes its control to the icon: the script keeps no size for it.
    if (control.kind != ControlKind::kIcon) {
      EXPECT_EQ(width, control.width);
      EXPECT_EQ(height, control.height);
    }
    const int id = extended ? static_cast<int>(in.Dword()) : static_cast<short>(in.Word());
    EXPECT_EQ(id, control.id);
    in.TextOrOrdinal();  // class
    const std::wstring text = in.TextOrOrdinal();
    if (control.kind == ControlKind::kIcon) {
      EXPECT_EQ(text, L"#" + std::to_wstring(control.resource));
    } else {
      EXPECT_EQ(text, Wide(control.text));
    }
    in.Skip(in.Word());  // creation data
  }
}

TEST(ResourceScript, DialogsAndStringsAgreeWithWhatTheProgramBuilds) {
  ExpectDialogResourceMatches(kMainDialogTemplate);
  ExpectDialogResourceMatches(kAboutDialogTemplate);
  for (int id : {IDS_ABOUTBOX, IDP_SOCKETS_INIT_FAILED, IDS_HISTORY}) {
    wchar_t text[128] = {};
    ASSERT_GT(::LoadStringW(nullptr, static_cast<UINT>(id), text, 128), 0) << id;
    EXPECT_EQ(std::wstring(text), Wide(LoadResourceString(id).c_str())) << id;
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
