// The history window with a large planted history: how long it takes to open (read, parse,
// list and draw), and how long a redraw takes while the window is resized. Not a test:
// figures only. With --screenshot it saves the window as a PNG, for the README; with
// --subscription-screenshot the subscription's dialog (with the user's own subscription).
//   history_bench [--runs N] [--hourly-days D] [--range day|week|month|year|all]
//                 [--screenshot FILE.png|FILE.bmp] [--line-mbit M]
//                 [--subscription-screenshot FILE.png|FILE.bmp]
#include <wx/app.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/init.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "kernel/calendar.h"
#include "speedtest/run_record.h"
#include "ui/history_chart.h"
#include "ui/history_dlg.h"
#include "ui/run_table.h"
#include "ui/subscription_dlg.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from) {
  return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

// `runs` runs an hour apart up to now, as a line that is fine by day and slows down every
// evening: the 2048/512 product, whose download drops out of its tier from 19 to 23. With
// `lineMbit`, a fiber line of that many Mbit/s down and a fifth of it up instead: faster than
// every product, so each run measured the whole line too, the evening's down as at least.
std::string PlantedHistory(int runs, double lineMbit) {
  std::string text = HistoryHeading();
  const std::time_t now = std::time(nullptr) / 3600 * 3600;
  for (int i = runs - 1; i >= 0; --i) {
    const std::time_t t = now - static_cast<std::time_t>(i) * 3600 + 7 * 60;
    const std::tm parts = LocalParts(t);
    const bool evening = parts.tm_hour >= 19 && parts.tm_hour <= 23;
    const double wobble = std::sin(i * 1.7) * 0.5 + 0.5;
    const double down = evening ? 900 + 500 * wobble : 1780 + 240 * wobble;
    const double up = 455 + 50 * std::cos(i * 2.3);
    const double rtt = evening ? 38 + 20 * wobble : 11 + 4 * wobble;
    const bool product = !evening && up >= 376;
    // A modem whose queue fills under load: more in the evening, most when uploading.
    CHistoryRun run;
    run.time = t;
    run.download = down * 17 / 20;
    run.downloadConverted = down;
    run.upload = up * 17 / 20;
    run.uploadConverted = up;
    run.downloadFile = "2Mtest.rnd";
    run.tiers = product ? "2048/512" : "";
    run.attempts = product ? 1 : 3;
    run.rttMs = rtt;
    run.server = "ftp.lumvik.dk:21";
    run.origin = i % 24 == 5 ? "window" : "schedule";
    run.jitterMs = 0.5 + 3 * wobble;
    run.downloadLoadedMs = rtt + (evening ? 120 : 25) * wobble;
    run.uploadLoadedMs = rtt + 150 + 100 * wobble;
    run.latencyGrade = LatencyGrade(run.uploadLoadedMs - rtt);
    run.uploadRetransmittedPct = 0.2 * wobble;
    if (lineMbit > 0) {
      const double kbit = lineMbit * 1e6 / 1024;  // 1 kbit = 1024 bits
      // The test files alone read a half of the line down and a tenth up at 10 ms.
      run.downloadConverted = kbit * (0.5 + 0.1 * wobble);
      run.download = run.downloadConverted * 17 / 20;
      run.uploadConverted = kbit / 5 * (0.1 + 0.02 * wobble);
      run.upload = run.uploadConverted * 17 / 20;
      run.tiers = "";
      run.attempts = 3;
      run.lineDownload = kbit * (evening ? 0.7 + 0.2 * wobble : 0.94 + 0.04 * wobble);
      run.lineDownloadAtLeast = evening;
      run.lineUpload = kbit / 5 * (0.95 + 0.03 * wobble);
    }
    text += HistoryLine(run);
  }
  return text;
}

// The window as it is on the screen, children and all.
void SaveScreenshot(wxWindow* window, const wxString& path) {
  window->Update();
  wxScreenDC from;
  const wxSize size = window->GetClientSize();
  const wxPoint origin = window->ClientToScreen(wxPoint(0, 0));
  wxBitmap bitmap(size);
  wxMemoryDC to(bitmap);
  to.Blit(0, 0, size.x, size.y, &from, origin.x, origin.y);
  to.SelectObject(wxNullBitmap);
  // The Windows build's wx has no PNG: a .bmp there.
  bitmap.ConvertToImage().SaveFile(path,
                                   path.EndsWith(".bmp") ? wxBITMAP_TYPE_BMP : wxBITMAP_TYPE_PNG);
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 10000;
  int range = 4;
  std::string screenshot;
  std::string subscriptionScreenshot;
  double lineMbit = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--runs")) runs = std::atoi(argv[i + 1]);
    if (!std::strcmp(argv[i], "--hourly-days")) runs = std::atoi(argv[i + 1]) * 24;
    if (!std::strcmp(argv[i], "--range")) {
      const std::string name = argv[i + 1];
      range = name == "day" ? 0 : name == "week" ? 1 : name == "month" ? 2 : name == "year" ? 3 : 4;
    }
    if (!std::strcmp(argv[i], "--screenshot")) screenshot = argv[i + 1];
    if (!std::strcmp(argv[i], "--line-mbit")) lineMbit = std::atof(argv[i + 1]);
    if (!std::strcmp(argv[i], "--subscription-screenshot")) subscriptionScreenshot = argv[i + 1];
  }
  wxApp::SetInstance(new wxApp);
  int one = 1;
  char* args[] = {argv[0], nullptr};
  if (!wxEntryStart(one, args) || !wxTheApp->CallOnInit()) return 1;
  wxInitAllImageHandlers();
  const std::string path = (wxFileName::GetTempDir() + "/lumvik-history-bench.csv").utf8_string();
  {
    const std::string planted = PlantedHistory(runs, lineMbit);
    wxFFile file(wxString::FromUTF8(path), "wb");
    file.Write(planted.data(), planted.size());
  }
  const Clock::time_point start = Clock::now();
  auto* dlg = new CHistoryDlg(nullptr, path, "3.0.0.4");
  dlg->SetRange(kHistoryRanges[range]);
  dlg->Show();
  dlg->Update();
  wxTheApp->Yield();
  const double openMs = Ms(start);
  std::vector<double> paints;
  const wxSize base = dlg->GetSize();
  for (int i = 0; i < 40; ++i) {
    dlg->SetSize(base + wxSize((i % 10) * 20, (i % 7) * 10));
    const Clock::time_point paint = Clock::now();
    dlg->Chart()->Refresh();
    dlg->Chart()->Update();
    paints.push_back(Ms(paint));
  }
  dlg->SetSize(base);
  std::sort(paints.begin(), paints.end());
  std::printf(
      "runs: %d (%d listed)\nopen: %.0f ms\nredraw on resize: median %.1f ms, max %.1f ms\n", runs,
      dlg->Table()->RowCount(), openMs, paints[paints.size() / 2], paints.back());
  std::printf("what a screen reader hears of the chart: %s\n",
              dlg->Chart()->GetLabel().utf8_string().c_str());
  if (!screenshot.empty()) {
    wxTheApp->Yield();
    SaveScreenshot(dlg, wxString::FromUTF8(screenshot));
  }
  if (!subscriptionScreenshot.empty()) {
    auto* subscription = new CSubscriptionDlg(dlg);
    subscription->Show();
    for (int i = 0; i < 20; ++i) wxTheApp->Yield();
    SaveScreenshot(subscription, wxString::FromUTF8(subscriptionScreenshot));
    subscription->Destroy();
  }
  dlg->Destroy();
  wxRemoveFile(wxString::FromUTF8(path));
  wxEntryCleanup();
  return 0;
}
