// The About box: product, version and copyright; OK, Enter, Escape or the close box end it.
#pragma once

#include "ui/dialog.h"

class CAboutDlg : public CDialog {
 public:
  // Owned by the application's main window.
  CAboutDlg();

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
};
