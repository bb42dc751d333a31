// A dialog built from a template in dialog units, with the framework's data exchange and
// initialisation hooks.
#pragma once

#include <wx/dialog.h>

#include "res/dialog_templates.h"
#include "ui/data_exchange.h"

class CDialog : public wxDialog {
 public:
  // Builds the window and its controls from `dialogTemplate`. Without a parent the
  // application's top window, if any, owns the dialog.
  CDialog(const DialogTemplate& dialogTemplate, wxWindow* parent);

  // Runs the dialog until it ends; returns how it ended (wxID_OK, wxID_CANCEL, ...).
  int DoModal() { return ShowModal(); }

  // true: reads the bound texts into the members; false: writes the members out.
  bool UpdateData(bool saveAndValidate = true);

 protected:
  virtual void DoDataExchange(CDataExchange* pDX);
  // The first exchange toward the controls. True lets the first tab stop take the focus.
  virtual bool OnInitDialog();

 private:
  void HandleInitDialog(wxInitDialogEvent& event);

  wxDECLARE_EVENT_TABLE();
};

// Verdana when installed, else DejaVu Sans, its nearest look-alike, at `pointSize`.
wxFont DialogFont(const char* face, int pointSize);
