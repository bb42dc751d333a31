// The history window on the real dialog: opened from the menu, the planted runs read back
// through the list, a run that ends while it is open, copy, save, and a chart that draws.
#include "ui/history_dlg.h"

#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/settings.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "kernel/calendar.h"
#include "kernel/directories.h"
#include "kernel/hourly_schedule.h"
#include "kernel/local_file.h"
#include "res/resource.h"
#include "speedtest/campaign.h"
#include "speedtest/run_record.h"
#include "tests/support/test_point.h"
#include "tests/support/window_test_env.h"
#include "ui/history_chart.h"
#include "ui/run_table.h"
#include "ui/speed_test_dlg.h"
#include "ui/subscription_dlg.h"

namespace {

// Runs an hour apart, the newest an hour ago: a line of the history each, as the run
// writes it.
std::string PlantedRuns(int count) {
  std::string lines;
  const std::time_t newest = std::time(nullptr) - 3600;
  for (int i = count - 1; i >= 0; --i) {
    const std::time_t t = newest - i * 3600;
    lines += UtcTimestamp(t) + "," + std::to_string(1700 + i) + ".0," + std::to_string(2000 + i) +
             ".0,432.0,508.0,2Mtest.rnd," + (i % 2 ? "" : "2048/512") + ",1,12.5," +
             "ftp.example.net:21,schedule,0.8," + (i % 2 ? ",," : "245.5,30.2,D") + ",0.1," +
             (i % 2 ? ",,,,2.3,0.2,,,wifi,,-61.0,3.5,0.1,,,300.0,300.0"
                    : "876543.2,0,97656.3,1,412.3,98.7,8,16,cable,1000.0,,0.0,0.0,,,,") +
             "\n";
  }
  return lines;
}

class HistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    planted = PlantedRuns(5);
    WriteWholeFile(ResultHistoryPath(), HistoryHeading() + planted);
    dlg = std::make_unique<CSpeedTestDlg>();
    dlg->m_wholeLine = WholeLine::kNever;
    dlg->Show();
    PumpWindowEvents();
    // As the menu item is chosen: the system menu on Windows, the context menu on GTK.
    wxCommandEvent choose(wxEVT_MENU, IDM_HISTORY);
    dlg->GetEventHandler()->ProcessEvent(choose);
    PumpWindowEvents();
    history = dynamic_cast<CHistoryDlg*>(wxWindow::FindWindowByLabel("Historik", dlg.get()));
  }
  void TearDown() override { dlg.reset(); }

  std::string Cell(long row, int column) const {
    return history->Table()->Cell(row, column).utf8_string();
  }

  std::string planted;
  std::unique_ptr<CSpeedTestDlg> dlg;
  CHistoryDlg* history = nullptr;
};

// The newest run first, every column; a run that ends while the window is open joins it.
TEST_F(HistoryTest, OpensFromTheMenuWithThePlantedRunsAndFollowsARun) {
  ASSERT_NE(history, nullptr);
  EXPECT_TRUE(history->IsShown());
  CRunTable* table = history->Table();
  ASSERT_EQ(table->RowCount(), 5);
  const char* const newest[] = {"2000",
                                "1700",
                                "508",
                                "432",
                                "Lumvik Bredbånd 2048/512",
                                "1",
                                "12,5",
                                "245,5",
                                "30,2",
                                "D",
                                "897,6",
                                "mindst 100,0",
                                "kabel, 1000 Mbit/s",
                                "0,0 ned, 0,0 op"};
  for (int column = 1; column <= 14; ++column) EXPECT_EQ(Cell(0, column), newest[column - 1]);
  EXPECT_EQ(Cell(1, 13), "Wi-Fi, -61 dBm");
  EXPECT_EQ(Cell(0, 15), "");                 // no subscription then
  EXPECT_EQ(Cell(1, 15), "1 % ned, 0 % op");  // the test files' rates of 300/300 Mbit/s
  EXPECT_EQ(Cell(1, 5), "intet");
  EXPECT_EQ(Cell(1, 8), "");  // not measured
  EXPECT_EQ(Cell(1, 10), "");
  EXPECT_EQ(Cell(1, 11), "");
  EXPECT_EQ(Cell(4, 1), "2004");
  EXPECT_EQ(history->Note()->GetLabel(), "");
  // The hourly checkbox as the schedule is here: on, off, or greyed with the reason.
  const CScheduleStatus schedule = QueryHourlySchedule();
  EXPECT_EQ(history->Hourly()->GetLabel().utf8_string(), "Mål automatisk hver time");
  EXPECT_EQ(history->Hourly()->IsChecked(), schedule.state == ScheduleState::kOn);
  EXPECT_EQ(history->Hourly()->IsEnabled(), schedule.state != ScheduleState::kUnavailable);
  EXPECT_NE(history->Hourly()->GetToolTipText().utf8_string().find(schedule.detail),
            std::string::npos);
  // Beside it, how often the whole line is measured, each choice with its month's data after
  // the newest runs with (511 MB) and without it (2.5 MB): 720 runs a month, 30 of them daily.
  EXPECT_EQ(history->LineSchedule()->GetString(0).utf8_string(),
            "Hele linjen ved hver måling (ca. 367,9 GB om måneden)");
  EXPECT_EQ(history->LineSchedule()->GetString(1).utf8_string(),
            "Hele linjen én gang i døgnet (ca. 17,1 GB om måneden)");
  EXPECT_EQ(history->LineSchedule()->GetString(2).utf8_string(),
            "Hele linjen aldrig (ca. 1,8 GB om måneden)");
  EXPECT_EQ(AccessibleNameOf(history->Chart()),
            "Målinger, 7 dage: 5. Median download 2002 kbit/s, median upload 508 kbit/s "
            "(omregnet). 3 af 5 (60 %) passer til Lumvik Bredbånd 2048/512.");

  dlg->OnTestButton();  // a whole run against the test point
  EXPECT_EQ(table->RowCount(), 6);
  EXPECT_NE(Cell(0, 0), Cell(1, 0));

  // A history the window cannot read in part: the rest shows, and the note counts the rest.
  WriteWholeFile(ResultHistoryPath(), HistoryHeading() + planted + "garbage\n");
  history->Reload(true);
  EXPECT_EQ(table->RowCount(), 5);
  EXPECT_EQ(history->Note()->GetLabel().utf8_string(), "1 linje kunne ikke læses.");
  WriteWholeFile(ResultHistoryPath(), "");
  history->Reload(true);
  EXPECT_EQ(table->RowCount(), 0);
  EXPECT_EQ(history->Note()->GetLabel().utf8_string(),
            "Der er endnu ingen målinger i historikken.");
  // A run whose line waits to go into the history shows as soon as it waits.
  const std::string waiting = ResultHistoryPath() + ".pending";
  WriteWholeFile(waiting, planted.substr(0, planted.find('\n') + 1));
  history->Reload();
  EXPECT_EQ(table->RowCount(), 1);
  std::remove(waiting.c_str());
}

// Copy takes the selected runs, oldest first; save takes the whole range.
TEST_F(HistoryTest, CopyAndSaveTakeTheRunsAway) {
  ASSERT_NE(history, nullptr);
  history->Table()->SelectRow(0);
  history->Table()->SelectRow(2);
  history->CopySelection();
  wxTextDataObject copied;
  {
    wxClipboardLocker locker;
    ASSERT_TRUE(wxTheClipboard->GetData(copied));
  }
  const std::string text = copied.GetText().utf8_string();
  EXPECT_EQ(text.rfind("Lumvik Hastighedstest 3.0.0.4: 2 målinger", 0), 0u) << text;
  const std::size_t older = text.find("download 2002 (1702)");
  const std::size_t newer = text.find("download 2000 (1700)");
  EXPECT_LT(older, newer) << text;
  EXPECT_NE(newer, std::string::npos) << text;
  EXPECT_NE(text.find("server ftp.example.net:21\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("download 2001"), std::string::npos) << text;

  const std::string saved = WindowTestRoot() + kPathSeparator + "saved.csv";
  ASSERT_TRUE(history->SaveRange(saved));
  EXPECT_EQ(ReadWholeFile(saved), HistoryHeading() + planted);
  ASSERT_TRUE(history->SaveRange(saved, true));  // for Danish Excel
  const std::string excel = ReadWholeFile(saved);
  EXPECT_EQ(excel.rfind("\xEF\xBB\xBFtimestamp;download_kbit_s;", 0), 0u) << excel;
  EXPECT_NE(excel.find(";2048/512;1;12,5;ftp.example.net:21;schedule;0,8;245,5;"),
            std::string::npos)
      << excel;
}

// The subscription as typed in Danish, kept and shown again; what does not make one is
// said and changes nothing; removed, it is gone.
TEST_F(HistoryTest, SubscriptionTypedKeptShownAgainAndRemoved) {
  ASSERT_NE(history, nullptr);
  {
    CSubscriptionDlg typed(history);
    typed.Field(0, false)->SetValue("1000");
    typed.Field(0, true)->SetValue("2,5");
    typed.Field(2, false)->SetValue(" 600 ");
    typed.Field(2, true)->SetValue("1");
    EXPECT_TRUE(typed.Save()) << typed.Problem()->GetLabel();
  }
  EXPECT_EQ(SubscriptionFileText(LoadSubscription()),
            "# Lumvik Hastighed: the subscription's speeds, Mbit/s down/up\n"
            "maximum=1000/2.5\nminimum=600/1\n");
  CSubscriptionDlg shown(history);
  EXPECT_EQ(shown.Field(0, true)->GetValue(), "2,5");
  EXPECT_EQ(shown.Field(2, false)->GetValue(), "600");
  EXPECT_EQ(shown.Field(1, false)->GetValue(), "");
  shown.Field(1, true)->SetValue("3");  // normally available above the maximum
  shown.Field(1, false)->SetValue("900");
  EXPECT_FALSE(shown.Save());
  shown.Field(1, true)->SetValue("to");
  EXPECT_FALSE(shown.Save());
  EXPECT_NE(shown.Problem()->GetLabel(), "");
  EXPECT_EQ(LoadSubscription().maximum.upload, 2.5);

  // A campaign started and followed in both windows, its protocol written, then stopped.
  shown.Field(1, true)->SetValue("");
  shown.Field(1, false)->SetValue("");
  EXPECT_TRUE(shown.ToggleCampaign());
  EXPECT_EQ(LoadCampaign().subscription.maximum.download, 1000.0);
  EXPECT_EQ(shown.CampaignText()->GetLabel().utf8_string().rfind("Målekampagne", 0), 0u);
  history->Reload(true);
  EXPECT_EQ(history->CampaignNote()->GetLabel(), shown.CampaignText()->GetLabel());
  const std::string protocol = WindowTestRoot() + kPathSeparator + "protocol.pdf";
  EXPECT_TRUE(shown.WriteProtocolTo(protocol));
  EXPECT_EQ(ReadWholeFile(protocol).rfind("%PDF-", 0), 0u);
  EXPECT_TRUE(shown.ToggleCampaign());
  EXPECT_GT(LoadCampaign().stopped, 0);
  EXPECT_TRUE(shown.Remove());
  EXPECT_FALSE(LoadSubscription().IsSet());
}

// The chart draws each series in its colour, at the display's scale.
TEST_F(HistoryTest, ChartDrawsEachSeriesInItsColour) {
  ASSERT_NE(history, nullptr);
  CHistoryChart* chart = history->Chart();
  history->Raise();
  chart->Update();
  PumpWindowEvents();
  const wxSize size = chart->GetClientSize();
  wxBitmap bitmap(size);
  {
    wxMemoryDC to(bitmap);
    wxScreenDC from;
    const wxPoint origin = chart->ClientToScreen(wxPoint(0, 0));
    to.Blit(0, 0, size.x, size.y, &from, origin.x, origin.y);
  }
  const wxImage image = bitmap.ConvertToImage();
  const auto count = [&image](const wxColour& colour) {
    int found = 0;
    for (int y = 0; y < image.GetHeight(); ++y) {
      for (int x = 0; x < image.GetWidth(); ++x) {
        found += image.GetRed(x, y) == colour.Red() && image.GetGreen(x, y) == colour.Green() &&
                 image.GetBlue(x, y) == colour.Blue();
      }
    }
    return found;
  };
  // Five runs: five dots and the lines between them, well over fifty pixels each.
  EXPECT_GT(count(chart->DownloadColour()), 50);
  EXPECT_GT(count(chart->UploadColour()), 50);
  // Three of them measured the whole line: lighter, with its name in the legend.
  EXPECT_GT(count(chart->WholeLineColour(false)), 20);
  EXPECT_GT(count(chart->WholeLineColour(true)), 20);
  // The ground is the theme's: dark under a dark theme (window_test_dark), so that the
  // text and lines in the theme's colours stay readable.
  const wxColour ground(image.GetRed(1, 1), image.GetGreen(1, 1), image.GetBlue(1, 1));
  EXPECT_EQ(ground, wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
  const char* theme = std::getenv("GTK_THEME");
  if (theme && std::strstr(theme, ":dark")) {
    EXPECT_LT(ground.GetLuminance(), 0.3);
  }
  // With a subscription its speeds are drawn too, and a screen reader hears its maximum.
  CSubscription subscription;
  ParseSpeedPair("500/400", &subscription.maximum);
  std::string failure;
  ASSERT_TRUE(SaveSubscription(subscription, &failure)) << failure;
  history->Reload(true);
  EXPECT_NE(chart->GetLabel().utf8_string().find("Abonnement: 500/400 Mbit/s."), std::string::npos)
      << chart->GetLabel();
  ASSERT_TRUE(SaveSubscription(CSubscription(), &failure)) << failure;
}

}  // namespace
