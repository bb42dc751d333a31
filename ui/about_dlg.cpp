#include "ui/about_dlg.h"

CAboutDlg::CAboutDlg() : CDialog(kAboutDialogTemplate, nullptr) {}

void CAboutDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
}
