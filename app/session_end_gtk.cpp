#include <wx/app.h>

#include <csignal>

#include "app/session_end.h"
#include "ui/speed_test_dlg.h"

namespace {

CSpeedTestDlg* g_dialog = nullptr;
int* g_exitStatus = nullptr;

// Called from the event loop (wx notes the signal and runs this later), or from the pump of
// a run under way: the run sees the close at its next report or wait slice.
void OnEndSignal(int signal) {
  *g_exitStatus = 128 + signal;
  g_dialog->OnClose();
}

}  // namespace

void EndWithTheSession(CSpeedTestDlg* dialog, int* exitStatus) {
  g_dialog = dialog;
  g_exitStatus = exitStatus;
  for (int signal : {SIGTERM, SIGHUP}) wxTheApp->SetSignalHandler(signal, OnEndSignal);
}
