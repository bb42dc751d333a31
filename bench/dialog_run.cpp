// One test run through the live dialog: shows the main dialog, presses its test button
// in the modal loop, and prints the status text it ends with. Needs a display.
//   dialog_run [HOLD_MS]   HOLD_MS: the result stays on screen that long, for a screenshot
#include <wx/app.h>
#include <wx/init.h>
#include <wx/stopwatch.h>
#include <wx/utils.h>

#include <cstdio>
#include <cstdlib>

#include "app/speed_test_app.h"
#include "ui/speed_test_dlg.h"

int main(int argc, char** argv) {
  wxApp::SetInstance(new CSpeedTestApp);
  if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) return 1;
  {
    CSpeedTestDlg dlg;
    const long holdMs = argc > 1 ? std::atol(argv[1]) : 0;
    dlg.CallAfter([&] {
      dlg.OnTestButton();
      std::printf("%s\n", dlg.m_infoText.c_str());
      std::fflush(stdout);
      for (const wxStopWatch held; held.Time() < holdMs;) {
        wxYield();
        wxMilliSleep(20);
      }
      dlg.EndModal(wxID_OK);
    });
    dlg.ShowModal();
  }
  wxEntryCleanup();
  return 0;
}
