// The link labels on the real dialog: their pages, their look, and the browser they start.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>
#include <vector>

#include "app/browser_lookup.h"
#include "app/speed_test_app.h"
#include "kernel/directories.h"
#include "kernel/local_file.h"
#include "res/resource.h"
#include "tests/support/test_point.h"
#include "tests/support/window_test_env.h"
#include "ui/browser_command.h"
#include "ui/speed_test_dlg.h"

namespace {

// The pages the browser was started with, a line each, in order of the page: each start is a
// process of its own, detached, whose record appears a moment later (seconds, for a first
// start in a fresh Wine prefix).
std::string BrowserLogAfter(std::size_t lines) {
  std::string log;
  for (int i = 0; i < 600; ++i) {
    log = ReadWholeFile(FakeBrowserLog());
    if (static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n')) >= lines) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::vector<std::string> records;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) records.push_back(line + "\n");
  std::sort(records.begin(), records.end());
  std::string sorted;
  for (const std::string& record : records) sorted += record;
  return sorted;
}

TEST(LinkTargets, FirstByteOfTheTextChoosesThePage) {
  const std::string base = "http://lumvik.dk/hastighedstest/?id=";
  EXPECT_EQ(CLinkStatic::UrlFor("Få hjælp til din hastighed på Lumvik Online"), base + "1");
  EXPECT_EQ(CLinkStatic::UrlFor("Sådan måler vi hastigheden"), base + "2");
  EXPECT_EQ(CLinkStatic::UrlFor("Opgrader din hastighed på lumvik.dk"), base + "3");
  for (const char* other : {"", "f", "s", "o", "Å", "Nyttige links", " F"}) {
    EXPECT_EQ(CLinkStatic::UrlFor(other), base + "4") << other;
  }
}

class LinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveFile(FakeBrowserLog());
    theApp.m_strBrowserPath = FindDefaultBrowser(TemporaryDirectory());
    dlg = std::make_unique<CSpeedTestDlg>();
    dlg->Show();
    PumpWindowEvents();
  }
  void TearDown() override { dlg.reset(); }

  void Click(wxWindow* window) {
    wxUIActionSimulator simulator;
    simulator.MouseMove(window->GetScreenPosition() + wxPoint(5, 5));
    simulator.MouseClick();
    PumpWindowEvents();
  }

  std::unique_ptr<CSpeedTestDlg> dlg;
};

#ifndef _WIN32

// A default browser whose desktop entry puts arguments before the page, as a wrapper or a
// Flatpak does, is started as its entry says, with the page in place of the field code.
TEST_F(LinkTest, BrowserEntriesWithArgumentsBeforeThePage) {
  theApp.m_strBrowserPath = "env LUMVIK_WRAPPED=1 " + FakeBrowserPath() + " --new-window %u";
  Click(dlg->m_helpLink);
  EXPECT_EQ(BrowserLogAfter(1), "2|--new-window http://lumvik.dk/hastighedstest/?id=1\n");
  RemoveFile(FakeBrowserLog());
  theApp.m_strBrowserPath = "\"" + FakeBrowserPath() + "\" @@u %u @@ --x=100%%";
  dlg->m_methodLink->OnClicked();
  EXPECT_EQ(BrowserLogAfter(1), "4|@@u http://lumvik.dk/hastighedstest/?id=2 @@ --x=100%\n");

  const std::string url = "http://x/";
  EXPECT_EQ(BrowserArguments("browser", url), (std::vector<std::string>{"browser", url}));
  EXPECT_EQ(BrowserArguments("\"/opt/my browser/run\" %i %U", url),
            (std::vector<std::string>{"/opt/my browser/run", url}));
  EXPECT_EQ(BrowserArguments("b \"quoted \\\"arg\\\"\" %f", url),
            (std::vector<std::string>{"b", "quoted \"arg\"", url}));
  EXPECT_TRUE(BrowserArguments("\"unterminated %u", url).empty());
  EXPECT_TRUE(BrowserArguments("%u", url).empty());
  EXPECT_TRUE(BrowserArguments("", url).empty());
}
#endif

TEST_F(LinkTest, TheThreeLabelsOpenPagesOneTwoAndThree) {
  ASSERT_TRUE(dlg->m_helpLink && dlg->m_methodLink && dlg->m_upgradeLink);
  Click(dlg->m_helpLink);
  Click(dlg->m_methodLink);
  Click(dlg->m_upgradeLink);
  EXPECT_EQ(BrowserLogAfter(3),
            "1|http://lumvik.dk/hastighedstest/?id=1\n"
            "1|http://lumvik.dk/hastighedstest/?id=2\n"
            "1|http://lumvik.dk/hastighedstest/?id=3\n");
}

TEST_F(LinkTest, TheTextAtTheMomentOfTheClickChoosesThePage) {
  dlg->m_helpLink->SetLabel(wxString::FromUTF8("Sådan måler vi hastigheden"));
  dlg->m_helpLink->OnClicked();
  dlg->m_helpLink->SetLabel("få hjælp");
  dlg->m_helpLink->OnClicked();
  dlg->m_helpLink->SetLabel("");
  dlg->m_helpLink->OnClicked();
  dlg->m_helpLink->SetLabel("Opgrader");
  EXPECT_EQ(AccessibleNameOf(dlg->m_helpLink), "Opgrader");
  EXPECT_EQ(BrowserLogAfter(3),
            "1|http://lumvik.dk/hastighedstest/?id=2\n"
            "1|http://lumvik.dk/hastighedstest/?id=4\n"
            "1|http://lumvik.dk/hastighedstest/?id=4\n");
}

TEST_F(LinkTest, WithoutABrowserNothingOpensAndTheDialogStaysUsable) {
  const std::size_t windows = wxTopLevelWindows.size();
  const std::string browser = theApp.m_strBrowserPath;
  for (const std::string& path : NotBrowsers()) {
    theApp.m_strBrowserPath = path;
    Click(dlg->m_upgradeLink);
  }
  EXPECT_EQ(wxTopLevelWindows.size(), windows);  // no message box
  // The browser's own start, last, is the only one recorded: a start of anything for the
  // clicks before it would have been recorded by then (starts take seconds under Wine).
  theApp.m_strBrowserPath = browser;
  Click(dlg->m_methodLink);
  EXPECT_EQ(BrowserLogAfter(1), "1|http://lumvik.dk/hastighedstest/?id=2\n");
  EXPECT_TRUE(dlg->IsShown());
  EXPECT_TRUE(dlg->FindWindow(IDC_TEST_BUTTON)->IsEnabled());
}

TEST_F(LinkTest, LooksLikeALinkWithTheUnderlinedFontBuiltOnce) {
  CLinkStatic* link = dlg->m_methodLink;
  link->Update();  // its first paint, whenever the window system asks for it
  PumpWindowEvents();
  EXPECT_TRUE(link->m_fontReady);
  EXPECT_TRUE(link->m_linkFont.GetUnderlined());
  EXPECT_TRUE(link->GetFont().GetUnderlined());
  EXPECT_EQ(link->GetFont().GetFaceName(), dlg->GetFont().GetFaceName());
  EXPECT_EQ(link->GetFont().GetPointSize(), dlg->GetFont().GetPointSize());
  EXPECT_EQ(link->GetForegroundColour(), wxColour(0, 0, 153));

  const wxRefCounter* built = link->m_linkFont.GetRefData();
  link->Refresh();
  link->Update();
  PumpWindowEvents();
  link->CtlColor();
  EXPECT_EQ(link->m_linkFont.GetRefData(), built);
}

TEST_F(LinkTest, PointingHandLoadedAtTheFirstCursorRequest) {
  CLinkStatic* link = dlg->m_helpLink;
  EXPECT_FALSE(link->m_handCursor.IsOk());
  for (int i = 0; i < 2; ++i) {
    wxSetCursorEvent request(3, 3);
    request.SetEventObject(link);
    link->GetEventHandler()->ProcessEvent(request);
    ASSERT_TRUE(request.HasCursor());
    EXPECT_EQ(request.GetCursor().GetRefData(), link->m_handCursor.GetRefData());
  }
  EXPECT_TRUE(link->m_handCursor.IsOk());
}

}  // namespace
