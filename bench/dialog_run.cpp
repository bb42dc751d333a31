// One test run through the live dialog: shows the main dialog, presses its test button
// in the modal loop, and prints the status text it ends with. Needs a display.
#include <wx/app.h>
#include <wx/init.h>

#include <cstdio>

#include "app/speed_test_app.h"
#include "ui/speed_test_dlg.h"

int main(int argc, char** argv) {
  wxApp::SetInstance(new CSpeedTestApp);
  if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) return 1;
  {
    CSpeedTestDlg dlg;
    dlg.CallAfter([&] {
      dlg.OnTestButton();
      dlg.EndModal(wxID_OK);
    });
    dlg.ShowModal();
    std::printf("%s\n", dlg.m_infoText.c_str());
  }
  wxEntryCleanup();
  return 0;
}
