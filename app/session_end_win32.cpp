#include <wx/app.h>

#include "app/session_end.h"
#include "ui/speed_test_dlg.h"

void EndWithTheSession(CSpeedTestDlg* dialog, int*) {
  // Asked whether the session may end, the program says yes and does nothing yet: the end
  // may still be called off, and a close now would let the run end as if by the user's hand
  // just before the real end comes.
  wxTheApp->Bind(wxEVT_QUERY_END_SESSION, [](wxCloseEvent&) {});
  // Windows ends the process soon after WM_ENDSESSION is answered, and a run under way may
  // be below this handler on the stack: the run is recorded and cleaned up right here.
  wxTheApp->Bind(wxEVT_END_SESSION, [dialog](wxCloseEvent&) { dialog->OnEndSession(); });
}
