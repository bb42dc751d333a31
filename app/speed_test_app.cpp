#include "app/speed_test_app.h"

#include <wx/msgdlg.h>

#include "app/browser_lookup.h"
#include "kernel/directories.h"
#include "kernel/sockets.h"
#include "res/resource.h"
#include "res/strings.h"
#include "ui/speed_test_dlg.h"

wxIMPLEMENT_APP_NO_MAIN(CSpeedTestApp);

bool CSpeedTestApp::InitInstance() {
  if (!AfxSocketInit()) {
    wxMessageBox(wxString::FromUTF8(LoadResourceString(IDP_SOCKETS_INIT_FAILED)),
                 wxMessageBoxCaptionStr, wxOK);
    m_exitStatus = 1;
    return false;
  }
  // The three-dimensional look of the controls is the toolkit's own here.
  m_strBrowserPath = FindDefaultBrowser(TemporaryDirectory());

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
