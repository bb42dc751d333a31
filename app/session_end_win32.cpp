#include <wx/app.h>

#include "app/session_end.h"
#include "ui/speed_test_dlg.h"

void EndWithTheSession(CSpeedTestDlg* dialog, int*) {
  // Windows ends the process soon after WM_ENDSESSION is answered, and a run under way may
  // be below this handler on the stack: the run is recorded and cleaned up right here.
  wxTheApp->Bind(wxEVT_END_SESSION, [dialog](wxCloseEvent&) { dialog->OnEndSession(); });
}
