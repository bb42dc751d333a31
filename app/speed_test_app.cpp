#include "app/speed_test_app.h"

#include <signal.h>

#include "ui/speed_test_dlg.h"

wxIMPLEMENT_APP(CSpeedTestApp);

bool CSpeedTestApp::InitInstance() {
  // A peer that closes a connection must not end the process through SIGPIPE.
  signal(SIGPIPE, SIG_IGN);

  CSpeedTestDlg dlg;
  SetTopWindow(&dlg);
  dlg.DoModal();
  SetTopWindow(nullptr);
  return false;
}

int CSpeedTestApp::OnRun() {
  InitInstance();
  return m_exitStatus;
}
