#include "ui/about_dlg.h"

CAboutDlg::CAboutDlg() : CDialog(kAboutDialogTemplate, nullptr) {
  // Escape and the close box end the box as a cancel, though it has no Cancel button: only OK
  // and Enter say OK.
  Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
    if (event.GetKeyCode() == WXK_ESCAPE && IsModal()) return EndModal(wxID_CANCEL);
    event.Skip();
  });
  Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) {
    if (IsModal()) return EndModal(wxID_CANCEL);
    Hide();
  });
}

void CAboutDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
}
