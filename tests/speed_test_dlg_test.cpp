// The main dialog as the user sees a test run, driven like a user would, against the real
// server: its texts, button, readout and bar, close, Escape and About. The run's own policy
// is run_test's.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/gauge.h>
#include <wx/statbmp.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <regex>
#include <set>

#include "kernel/directories.h"
#include "kernel/local_file.h"
#include "kernel/private_folder.h"
#include "res/resource.h"
#include "tests/support/scripted_ftp_server.h"
#include "tests/support/scripted_tick_clock.h"
#include "tests/support/test_point.h"
#include "tests/support/test_sockets.h"
#include "tests/support/window_test_env.h"
#include "ui/about_dlg.h"
#include "ui/speed_test_dlg.h"

namespace {

const char kInitialText[] = "\n\nKlik på knappen Test din hastighed for at begynde testen.";
const char kFailureText[] =
    "Testen kan ikke genføres på nuværende tidspunkt.\n\nHar din pc en firewall, kan den "
    "blokere hastighedstesten.\nTillad hastighedstesten i din firewall eller deaktiver "
    "din\nfirewall, inden du prøver igen. Husk at aktivere din firewall,\nså snart du er "
    "færdig med at teste.";
const char kAgainUploadText[] =
    "Vent venligst, mens testen udføres igen.\nDet tager op til 2 minutter.\n\nTester "
    "upload-hastighed\t\t";

std::string Label(wxWindow* dialog, int id) {
  return dialog->FindWindow(id)->GetLabel().utf8_string();
}

DWORD g_now = 1000;
DWORD ScriptedTicks() {
  return g_now;
}

// A dialog whose transfers take exactly the times a test gives them: the clock stands
// still except at the first progress report of each transfer, where it jumps by that
// transfer's duration. It records every transfer with the status text it ran under.
class ClockedDlg : public CSpeedTestDlg {
 public:
  ClockedDlg() { m_pEnvironment = &clock.Environment(); }

  struct Transfer {
    std::string kind;  // "small", "large" or "upload"
    std::string infoText;
    std::vector<DWORD> bytes;
  };

  bool ReportProgress(DWORD bytes, double seconds) override {
    ++depth;
    maxDepth = std::max(maxDepth, depth);
    if (transfers.empty() || bytes < transfers.back().bytes.back()) StartTransfer();
    transfers.back().bytes.push_back(bytes);
    if (onReport) onReport(transfers.back(), bytes);
    const bool stop = CSpeedTestDlg::ReportProgress(bytes, seconds);
    --depth;
    return stop;
  }

  std::vector<std::string> Kinds() const {
    std::vector<std::string> kinds;
    for (const Transfer& transfer : transfers) kinds.push_back(transfer.kind);
    return kinds;
  }

  std::vector<DWORD> durationsMs;
  std::vector<Transfer> transfers;
  std::function<void(const Transfer&, DWORD)> onReport;
  std::function<void()> onExchange;  // before each exchange of the controls' data
  int depth = 0;
  int maxDepth = 0;
  ScriptedTickClock clock{&ScriptedTicks};

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    if (onExchange) onExchange();
    CSpeedTestDlg::DoDataExchange(pDX);
  }

 private:
  void StartTransfer() {
    Transfer transfer;
    const std::string uploadLine = "upload-hastighed\t\t";
    const bool upload = m_infoText.size() >= uploadLine.size() &&
                        m_infoText.compare(m_infoText.size() - uploadLine.size(), uploadLine.size(),
                                           uploadLine) == 0;
    transfer.kind = upload ? "upload" : m_expectedBytes == 2097152 ? "large" : "small";
    transfer.infoText = m_infoText;
    if (transfers.size() < durationsMs.size()) {
      g_now += durationsMs[transfers.size()];
    } else {
      ADD_FAILURE() << "no duration scripted for transfer " << transfers.size() + 1;
    }
    transfers.push_back(transfer);
  }
};

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dlg = std::make_unique<ClockedDlg>();
    // The clocked transfers' rates are the script's; the whole line's are the network's.
    dlg->m_wholeLine = WholeLine::kNever;
    dlg->Show();
    PumpWindowEvents();
  }
  void TearDown() override { dlg.reset(); }

  std::string LocalFile(const char* name) const {
    return dlg->m_windowsDir + kPathSeparator + name;
  }
  wxGauge* Gauge() const { return wxDynamicCast(dlg->FindWindow(IDC_PROGRESS), wxGauge); }
  void ExpectReadyAgain() {
    EXPECT_EQ(Label(dlg.get(), IDC_TEST_BUTTON), "Test din hastighed igen");
    EXPECT_TRUE(dlg->FindWindow(IDC_TEST_BUTTON)->IsEnabled());
    EXPECT_FALSE(Gauge()->IsShown());
    EXPECT_EQ(Gauge()->GetValue(), 0);
    EXPECT_EQ(Label(dlg.get(), IDC_INFO_SPEED), "");
    EXPECT_FALSE(FileExists(LocalFile("200Ktest.rnd")));
    EXPECT_FALSE(FileExists(LocalFile("2Mtest.rnd")));
  }

  std::unique_ptr<ClockedDlg> dlg;
};

TEST_F(DialogTest, OpensInTheReadyLook) {
  EXPECT_EQ(Label(dlg.get(), IDC_INFO_TEXT), kInitialText);
  EXPECT_EQ(Label(dlg.get(), IDC_INFO_SPEED), "");
  EXPECT_EQ(Label(dlg.get(), IDC_TEST_BUTTON), "Test din hastighed");
  EXPECT_TRUE(dlg->FindWindow(IDC_TEST_BUTTON)->IsEnabled());
  EXPECT_FALSE(Gauge()->IsShown());
  EXPECT_EQ(dlg->GetTitle(), wxString::FromUTF8("Lumvik Hastighedstest"));
  const auto* emblem = wxDynamicCast(dlg->FindWindow(IDC_EMBLEM), wxStaticBitmap);
  EXPECT_EQ(emblem->GetBitmap().GetSize(), wxSize(50, 50));
  // 270 x 196 dialog units of DejaVu Sans 8 pt, or of Wine's Tahoma 8 pt (base 7 x 13 px).
  EXPECT_EQ(dlg->GetClientSize(), wxSize(473, 319));
  EXPECT_EQ(dlg->m_windowsDir, ExpectedPrivateFolder());
  EXPECT_TRUE(OnlyTheUserMayEnter(dlg->m_windowsDir));
  EXPECT_FALSE(dlg->m_abort);
}

TEST_F(DialogTest, ReportProgressShowsRateAndPositionAndReturnsTheAbortFlag) {
  dlg->m_expectedBytes = 204800;
  EXPECT_FALSE(dlg->CSpeedTestDlg::ReportProgress(204800, 2.5));
  EXPECT_EQ(Label(dlg.get(), IDC_INFO_SPEED), "kbit/s\n  640");
  EXPECT_EQ(Gauge()->GetValue(), 100);
  EXPECT_DOUBLE_EQ(dlg->m_elapsedSeconds, 2.5);

  dlg->m_abort = true;
  EXPECT_TRUE(dlg->CSpeedTestDlg::ReportProgress(4096, 0.0));
  EXPECT_EQ(Label(dlg.get(), IDC_INFO_SPEED), "kbit/s\n    0");
  EXPECT_EQ(Gauge()->GetValue(), 2);
  EXPECT_DOUBLE_EQ(dlg->m_elapsedSeconds, 0.0);
}

TEST_F(DialogTest, BothDirectionsMatchedInTheFirstAttempt) {
  dlg->durationsMs = {1000, 9600, 3700};  // the worked example: 2048 / 512
  dlg->OnTestButton();

  EXPECT_EQ(dlg->Kinds(), (std::vector<std::string>{"small", "large", "upload"}));
  EXPECT_EQ(dlg->transfers[0].bytes.size(), 51u);
  EXPECT_EQ(dlg->transfers[1].bytes.size(), 513u);
  EXPECT_EQ(dlg->transfers[2].bytes.size(), 50u);
  EXPECT_EQ(dlg->transfers[2].infoText,
            "Vent venligst, mens testen udføres.\nDet tager op til 2 minutter.\n\nTester "
            "download-hastighed\t\n\nTester upload-hastighed\t\t");
  EXPECT_EQ(Label(dlg.get(), IDC_INFO_TEXT),
            "Testresultat\n\n"
            "Test af download:  2007 kbit/s (omregnet fra 1706 kbit/s)\n"
            "Test af upload:       508 kbit/s (omregnet fra  432 kbit/s)\n\n"
            "Testresultatet passer til Lumvik Bredbånd 2048/512");
  ExpectReadyAgain();
}

// Another attempt says so, and names only the direction measured again.
TEST_F(DialogTest, AnotherAttemptShowsTheAgainText) {
  dlg->durationsMs = {1000, 9600, 1000, 1100, 1200};
  dlg->OnTestButton();

  EXPECT_EQ(dlg->Kinds(),
            (std::vector<std::string>{"small", "large", "upload", "upload", "upload"}));
  EXPECT_EQ(dlg->transfers[3].infoText, kAgainUploadText);
  EXPECT_EQ(dlg->transfers[4].infoText, kAgainUploadText);
  EXPECT_EQ(Label(dlg.get(), IDC_INFO_TEXT),
            "Testresultat\n\n"
            "Test af download:  2007 kbit/s (omregnet fra 1706 kbit/s)\n"
            "Test af upload:      1568 kbit/s (omregnet fra 1333 kbit/s)");
}

TEST_F(DialogTest, LogInFailureShowsTheFailureTextAndDeletesLocalFiles) {
  WriteWholeFile(LocalFile("200Ktest.rnd"), "left from an earlier run");
  WriteWholeFile(LocalFile("2Mtest.rnd"), "left from an earlier run");
  TestPoint::Get()->Stop();
  dlg->OnTestButton();
  TestPoint::Get()->Start();

  EXPECT_TRUE(dlg->transfers.empty());
  EXPECT_EQ(Label(dlg.get(), IDC_INFO_TEXT), kFailureText);
  ExpectReadyAgain();
  // The log says why; the password is in neither file.
  const std::string log = ReadWholeFile(RunLogPath());
  EXPECT_NE(log.find("failed in log-in as anonymous: code 1, Cannot login to the server "
                     "127.0.0.1; connect to 127.0.0.1: " +
                     std::string(kConnectionRefused) + "\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("ip@lumvik.dk"), std::string::npos);
}

// Without a private folder there is nowhere safe for the test files: the run fails and
// creates, truncates or deletes nothing, wherever the paths would have pointed: at the
// root, or through a planted link.
TEST(DialogFolderTest, NoPrivateFolderTakesTheFailurePathAndTouchesNoFile) {
  const std::string elsewhere = WindowTestRoot() + kPathSeparator + "elsewhere";
  ASSERT_TRUE(std::filesystem::create_directories(elsewhere));
  WriteWholeFile(elsewhere + kPathSeparator + "200Ktest.rnd", "someone else's");
  const std::string planted = std::string(1, kPathSeparator) + "200Ktest.rnd";
  bool rootPlanted = false;
  if (!FileExists(planted)) {
    WriteWholeFile(planted, "someone else's");
    rootPlanted = FileExists(planted);
  }
  for (const FolderTakenAway& way : WaysToTakeTheFolderAway(elsewhere)) {
    SCOPED_TRACE(way.how);
    way.take();
    ClockedDlg dlg;
    dlg.Show();
    EXPECT_EQ(dlg.m_windowsDir, "");
    dlg.OnTestButton();
    way.restore();
    EXPECT_TRUE(dlg.transfers.empty());
    EXPECT_EQ(Label(&dlg, IDC_INFO_TEXT), kFailureText);
    EXPECT_TRUE(dlg.FindWindow(IDC_TEST_BUTTON)->IsEnabled());
    if (rootPlanted) {
      EXPECT_EQ(ReadWholeFile(planted), "someone else's");
    }
    EXPECT_FALSE(FileExists(std::string(1, kPathSeparator) + "2Mtest.rnd"));
    EXPECT_EQ(ReadWholeFile(elsewhere + kPathSeparator + "200Ktest.rnd"), "someone else's");
    EXPECT_FALSE(FileExists(elsewhere + kPathSeparator + "2Mtest.rnd"));
  }
  if (rootPlanted) RemoveFile(planted);
}

TEST_F(DialogTest, ClickWhileTheButtonIsDisabledStartsNothing) {
  dlg->durationsMs = {1000, 9600, 3700};
  int refused = 0;
  dlg->onReport = [&](const ClockedDlg::Transfer&, DWORD bytes) {
    if (bytes == 8192 && dlg->depth == 1) {
      dlg->OnTestButton();  // as a click dispatched between two chunks
      ++refused;
    }
  };
  dlg->OnTestButton();
  EXPECT_EQ(refused, 3);
  EXPECT_EQ(dlg->maxDepth, 1);
  EXPECT_EQ(dlg->Kinds(), (std::vector<std::string>{"small", "large", "upload"}));
  ExpectReadyAgain();
}

// A failure that is no transfer error still takes the failure path.
class ThrowingDlg : public ClockedDlg {
 public:
  bool throwOnce = false;

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    if (throwOnce && m_infoText.find("Tester download") != std::string::npos) {
      throwOnce = false;
      throw std::runtime_error("broken control");
    }
    ClockedDlg::DoDataExchange(pDX);
  }
};

TEST(DialogFailureTest, AnyErrorInTheRunTakesTheFailurePath) {
  ThrowingDlg dlg;
  dlg.Show();
  dlg.throwOnce = true;
  dlg.OnTestButton();
  EXPECT_EQ(Label(&dlg, IDC_INFO_TEXT), kFailureText);
  EXPECT_TRUE(dlg.FindWindow(IDC_TEST_BUTTON)->IsEnabled());
  EXPECT_EQ(Label(&dlg, IDC_TEST_BUTTON), "Test din hastighed igen");
}

// Ends the running modal dialog with `result` once `ready` holds, checking every 20 ms;
// gives up with -1 after `limit`.
class ModalEnder {
 public:
  ModalEnder(wxDialog* dialog, std::function<bool()> ready, int result,
             std::chrono::seconds limit = std::chrono::seconds(60))
      : m_start(std::chrono::steady_clock::now()) {
    m_timer.Bind(wxEVT_TIMER, [=](wxTimerEvent&) {
      if (!dialog->IsModal()) return;
      if (ready()) {
        dialog->EndModal(result);
      } else if (std::chrono::steady_clock::now() - m_start > limit) {
        dialog->EndModal(-1);
      }
    });
    m_timer.Start(20);
  }

 private:
  wxTimer m_timer;
  std::chrono::steady_clock::time_point m_start;
};

TEST(DialogModalTest, RealClickRunsAWholeTestAgainstTheServer) {
  CSpeedTestDlg dlg;
  wxUIActionSimulator simulator;
  dlg.CallAfter([&] {
    wxWindow* button = dlg.FindWindow(IDC_TEST_BUTTON);
    simulator.MouseMove(button->GetScreenRect().GetPosition() + wxPoint(20, 7));
    simulator.MouseClick();
  });
  ModalEnder ender(
      &dlg, [&] { return Label(&dlg, IDC_TEST_BUTTON) == "Test din hastighed igen"; }, wxID_OK);
  EXPECT_EQ(dlg.DoModal(), wxID_OK);

  const std::regex result(
      "Testresultat\n\n"
      "Test af download:  [ \\d]{3}\\d+ kbit/s \\(omregnet fra [ \\d]{3}\\d+ kbit/s\\)\n"
      "Test af upload:      [ \\d]{3}\\d+ kbit/s \\(omregnet fra [ \\d]{3}\\d+ kbit/s\\)"
      // Loopback is faster than every product: the whole line follows, in each direction
      // whose test file could not tell the line (a busy machine slows a test file down).
      "\n\nHele linjen: ((mindst )?\\d+,\\d Mbit/s ned)?(, )?((mindst )?\\d+,\\d Mbit/s op)?");
  const std::string text = Label(&dlg, IDC_INFO_TEXT);
  EXPECT_TRUE(std::regex_match(text, result)) << text;
  EXPECT_TRUE(dlg.FindWindow(IDC_TEST_BUTTON)->IsEnabled());
  EXPECT_FALSE(dlg.FindWindow(IDC_PROGRESS)->IsShown());
  EXPECT_FALSE(FileExists(dlg.m_windowsDir + "/200Ktest.rnd"));
  EXPECT_FALSE(FileExists(dlg.m_windowsDir + "/2Mtest.rnd"));
  EXPECT_EQ(ReadWholeFile(TestPoint::Get()->Root() + "/pub/upload/200Ktest.rnd"),
            ReadWholeFile(TestPoint::Get()->Root() + "/pub/200Ktest.rnd"));
  EXPECT_FALSE(dlg.m_abort);
}

TEST(DialogModalTest, CloseRequestDuringATransferStopsItAndEndsTheDialog) {
  ClockedDlg dlg;
  dlg.durationsMs = {1000, 9600, 3700};
  dlg.onReport = [&](const ClockedDlg::Transfer&, DWORD bytes) {
    if (bytes == 10 * 4096) {
      auto* close = new wxCloseEvent(wxEVT_CLOSE_WINDOW, dlg.GetId());
      close->SetEventObject(&dlg);
      close->SetCanVeto(true);
      wxQueueEvent(&dlg, close);
    }
  };
  dlg.CallAfter([&] { dlg.OnTestButton(); });
  EXPECT_EQ(dlg.DoModal(), wxID_CANCEL);

  EXPECT_TRUE(dlg.m_abort);
  ASSERT_EQ(dlg.transfers.size(), 1u);
  EXPECT_EQ(dlg.transfers[0].bytes.size(), 11u);  // the report after the close said stop
  EXPECT_EQ(Label(&dlg, IDC_INFO_TEXT), kFailureText);
  EXPECT_TRUE(dlg.FindWindow(IDC_TEST_BUTTON)->IsEnabled());
}

// The session ends in the middle of a transfer, and the system ends the process soon after:
// the run is logged and its test files are gone at once, before it unwinds, and what it
// does after that adds nothing to the log.
TEST(DialogModalTest, SessionEndDuringATransferRecordsTheRunAtOnce) {
  ClockedDlg dlg;
  dlg.durationsMs = {1000, 9600, 3700};
  std::string logAtTheEnd;
  dlg.onReport = [&](const ClockedDlg::Transfer&, DWORD bytes) {
    if (bytes != 10 * 4096) return;
    dlg.OnEndSession();
    logAtTheEnd = ReadWholeFile(RunLogPath());
  };
  dlg.CallAfter([&] { dlg.OnTestButton(); });
  EXPECT_EQ(dlg.DoModal(), wxID_CANCEL);

  const std::string ended = "failed in download 200Ktest.rnd: the session ended\n";
  ASSERT_GE(logAtTheEnd.size(), ended.size());
  EXPECT_EQ(logAtTheEnd.substr(logAtTheEnd.size() - ended.size()), ended);
  EXPECT_EQ(ReadWholeFile(RunLogPath()), logAtTheEnd);
  EXPECT_FALSE(FileExists(PrivateCacheDirectory() + "/200Ktest.rnd"));
  EXPECT_EQ(Label(&dlg, IDC_INFO_TEXT), kFailureText);
}

// While the run waits for the network (a silent log-in, a data connection a firewall
// blocks) the window keeps answering, and a close request ends the wait within 0.5 s: the
// failure path with the abort code, logged at the step where it came.
TEST(DialogModalTest, WindowAnswersDuringNetworkWaitsAndACloseEndsThem) {
  struct Case {
    const char* step;
    std::function<void(ScriptedFtpServer&)> script;
    bool lineTaken = false;  // another run holds the line all along
  };
  const Case cases[] = {
      {"wait for another test run on this computer", [](ScriptedFtpServer&) {}, true},
      {"log-in as anonymous",
       [](ScriptedFtpServer& server) {
         server.SetNextReply("GREETING", ScriptedFtpServer::kSilence);
       }},
      {"download 200Ktest.rnd",
       [](ScriptedFtpServer& server) { server.ConnectOnlyFromImpostor(); }},
  };
  TestPoint::Get()->Stop();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.step);
    ScriptedFtpServer server(AF_INET, LUMVIK_GUI_TEST_PORT);
    ASSERT_EQ(server.Port(), LUMVIK_GUI_TEST_PORT);
    c.script(server);
    CSpeedTestDlg dlg;
    CFolderLock otherRun;
    std::string failure;
    if (c.lineTaken) {
      ASSERT_EQ(
          otherRun.Take(
              PrivateCacheDirectory() + "/run.lock", 0, [] {}, [] { return false; }, &failure),
          CFolderLock::Result::kTaken);
    }
    std::string shownWhileWaiting;
    int answers = 0;
    std::chrono::steady_clock::time_point closedAt;
    wxTimer look;
    look.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
      // Ten answers 50 ms apart: the window was alive for half a second of the wait.
      if (++answers == 5) shownWhileWaiting = Label(&dlg, IDC_INFO_TEXT);
      if (answers == 10) {
        closedAt = std::chrono::steady_clock::now();
        auto* close = new wxCloseEvent(wxEVT_CLOSE_WINDOW, dlg.GetId());
        close->SetEventObject(&dlg);
        wxQueueEvent(&dlg, close);
      }
    });
    dlg.CallAfter([&] {
      look.Start(50);
      dlg.OnTestButton();
    });
    EXPECT_EQ(dlg.DoModal(), wxID_CANCEL);
    look.Stop();
    EXPECT_GE(answers, 10);
    EXPECT_LT(std::chrono::steady_clock::now() - closedAt, std::chrono::milliseconds(500));
    EXPECT_EQ(Label(&dlg, IDC_INFO_TEXT), kFailureText);
    EXPECT_EQ(shownWhileWaiting.rfind(c.lineTaken ? "Der kører allerede en hastighedstest"
                                                  : "Vent venligst, mens testen udføres",
                                      0),
              0u)
        << shownWhileWaiting;
    const std::string log = ReadWholeFile(RunLogPath());
    EXPECT_NE(log.find(std::string("failed in ") + c.step + ": code 16, " +
                       "File transfer is aborted by the user; stopped by the user while waiting"),
              std::string::npos)
        << log.substr(log.rfind("== "));
  }
  TestPoint::Get()->Start();
}

void PressKey(wxWindow* window, int keyCode) {
  wxKeyEvent key(wxEVT_CHAR_HOOK);
  key.m_keyCode = keyCode;
  key.SetEventObject(window);
  window->GetEventHandler()->ProcessEvent(key);
}

TEST(DialogModalTest, EscapeEndsTheDialogOnlyWhenNoTestRuns) {
  ClockedDlg dlg;
  dlg.durationsMs = {1000, 9600, 3700};
  dlg.onReport = [&](const ClockedDlg::Transfer&, DWORD bytes) {
    if (bytes == 4096) {
      PressKey(&dlg, WXK_ESCAPE);
      PressKey(&dlg, WXK_RETURN);
    }
  };
  dlg.CallAfter([&] { dlg.OnTestButton(); });
  {
    ModalEnder ender(
        &dlg, [&] { return Label(&dlg, IDC_TEST_BUTTON) == "Test din hastighed igen"; }, wxID_OK);
    EXPECT_EQ(dlg.DoModal(), wxID_OK);
  }
  EXPECT_EQ(dlg.Kinds(), (std::vector<std::string>{"small", "large", "upload"}));

  dlg.CallAfter([&] { PressKey(&dlg, WXK_ESCAPE); });
  EXPECT_EQ(dlg.DoModal(), wxID_CANCEL);
  EXPECT_FALSE(dlg.m_abort);
}

// How many About boxes open (and are closed again at once) while `action` runs.
int AboutBoxesOpenedBy(const std::function<void()>& action) {
  std::set<CAboutDlg*> opened;  // a box being closed may still look modal at the next tick
  wxTimer timer;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    for (wxWindow* window : wxTopLevelWindows) {
      auto* about = dynamic_cast<CAboutDlg*>(window);
      if (about && about->IsModal()) {
        opened.insert(about);
        about->EndModal(wxID_OK);
      }
    }
  });
  timer.Start(20);
  action();
  timer.Stop();
  return static_cast<int>(opened.size());
}

TEST(DialogMenuTest, SystemCommands16To31OpenTheAboutBox) {
  CSpeedTestDlg dlg;
  dlg.Show();
  auto command = [&](int id) {
    return AboutBoxesOpenedBy([&] {
      wxCommandEvent menu(wxEVT_MENU, id);
      menu.SetEventObject(&dlg);
      dlg.GetEventHandler()->ProcessEvent(menu);
    });
  };
  EXPECT_EQ(command(16), 1);
  EXPECT_EQ(command(31), 1);
  EXPECT_EQ(command(32), 0);
  EXPECT_EQ(command(15), 0);
  EXPECT_EQ(AboutBoxesOpenedBy([&] { dlg.OnSysCommand(0x1F, 0); }), 1);
  EXPECT_EQ(AboutBoxesOpenedBy([&] { dlg.OnSysCommand(0xF060, 0); }), 0);
}

// The About item picked during a transfer opens the box between two chunks; the run goes on
// once the box is closed and ends as it would have.
TEST(DialogMenuTest, AboutDuringATransferLeavesTheRunWhole) {
  ClockedDlg dlg;
  dlg.durationsMs = {1000, 9600, 3700};
  dlg.onReport = [&](const ClockedDlg::Transfer& transfer, DWORD bytes) {
    if (transfer.kind == "large" && bytes == 10 * 4096) {
      auto* menu = new wxCommandEvent(wxEVT_MENU, 16);
      menu->SetEventObject(&dlg);
      wxQueueEvent(&dlg, menu);
    }
  };
  dlg.CallAfter([&] { dlg.OnTestButton(); });
  ModalEnder ender(
      &dlg, [&] { return Label(&dlg, IDC_TEST_BUTTON) == "Test din hastighed igen"; }, wxID_OK);
  EXPECT_EQ(AboutBoxesOpenedBy([&] { EXPECT_EQ(dlg.DoModal(), wxID_OK); }), 1);
  EXPECT_EQ(dlg.Kinds(), (std::vector<std::string>{"small", "large", "upload"}));
  EXPECT_EQ(dlg.transfers[1].bytes.size(), 513u);
  EXPECT_NE(Label(&dlg, IDC_INFO_TEXT).find("Lumvik Bredbånd 2048/512"), std::string::npos);
}

}  // namespace
