#include "app/speed_test_app.h"

#include <wx/msgdlg.h>

#include "app/browser_lookup.h"
#include "app/program_identity.h"
#include "app/session_end.h"
#include "app/single_instance.h"
#include "kernel/directories.h"
#include "kernel/running.h"
#include "kernel/sockets.h"
#include "res/resource.h"
#include "res/strings.h"
#include "ui/link_static.h"
#include "ui/speed_test_dlg.h"

wxIMPLEMENT_APP_NO_MAIN(CSpeedTestApp);

CSpeedTestApp::CSpeedTestApp() {
  SetBrowserPathForLinks(&m_strBrowserPath);
}

bool CSpeedTestApp::InitInstance() {
  // A second dialog would measure the line beside the first: the first comes forward.
  CSingleInstance instance;
  if (instance.RaisedAnother()) return false;
  // The window has no place for this warning: the program runs all the same.
  (void)MarkProgramRunning();
  if (!AfxSocketInit()) {
    // The framework's message box is captioned with the program's name.
    wxMessageBox(wxString::FromUTF8(LoadResourceString(IDP_SOCKETS_INIT_FAILED)),
                 wxString::FromUTF8(kProgramName), wxOK);
    m_exitStatus = 1;
    return false;
  }
  // The three-dimensional look of the controls is the toolkit's own here.
  m_strBrowserPath = FindDefaultBrowser(TemporaryDirectory());

  CSpeedTestDlg dlg;
  instance.ServeRaises(&dlg);
  EndWithTheSession(&dlg, &m_exitStatus);
  SetTopWindow(&dlg);
  dlg.DoModal();
  SetTopWindow(nullptr);
  AfxSocketTerm();
  return false;
}

int CSpeedTestApp::OnRun() {
  InitInstance();
  return m_exitStatus;
}
