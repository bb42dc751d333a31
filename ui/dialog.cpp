#include "ui/dialog.h"

#include <wx/stattext.h>  // before the generic static text, which builds on it

#include <wx/app.h>
#include <wx/button.h>
#include <wx/fontenum.h>
#include <wx/gauge.h>
#include <wx/generic/stattextg.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>

#include <algorithm>

#include "res/resource.h"
#include "ui/link_static.h"

namespace {

constexpr char kFallbackFace[] = "DejaVu Sans";

#ifdef __WXMSW__
using ReadoutStaticText = wxStaticText;
#else
using ReadoutStaticText = wxGenericStaticText;
#endif

int WindowId(int templateId) {
  if (templateId == IDC_STATIC) return wxID_ANY;
  if (templateId == IDOK) return wxID_OK;
  return templateId;
}

wxWindow* CreateControl(wxDialog* dialog, const ControlTemplate& control) {
  const wxPoint position = dialog->ConvertDialogToPixels(wxPoint(control.x, control.y));
  const wxSize size = dialog->ConvertDialogToPixels(wxSize(control.width, control.height));
  const wxString text = wxString::FromUTF8(control.text);
  const int id = WindowId(control.id);
  switch (control.kind) {
    case ControlKind::kPushButton:
      return new wxButton(dialog, id, text, position, size);
    case ControlKind::kDefaultPushButton: {
      auto* button = new wxButton(dialog, id, text, position, size);
      button->SetDefault();
      return button;
    }
    case ControlKind::kStaticText: {
      auto* label = new wxStaticText(dialog, id, text, position, size, wxST_NO_AUTORESIZE);
      // A one-line label whose font (a stand-in for the template's, where it is missing) is
      // wider than the template allowed for would wrap and lose its end: it gets the room.
      if (!text.Contains("\n") && label->GetBestSize().x > size.x) {
        label->SetSize(wxSize(label->GetBestSize().x, size.y));
      }
      return label;
    }
    case ControlKind::kRightStaticText:
      // On GTK drawn by wx itself: a new text costs a repaint, not a relayout of the
      // window, which matters for the readout that changes with every chunk.
      return new ReadoutStaticText(dialog, id, text, position, size,
                                   wxALIGN_RIGHT | wxST_NO_AUTORESIZE);
    case ControlKind::kGroupBox:
      return new wxStaticBox(dialog, id, text, position, size);
    case ControlKind::kIcon:
      return new wxStaticBitmap(dialog, id, wxNullBitmap, position, size);
    case ControlKind::kLinkLabel: {
      auto* link = new CLinkStatic(dialog, id, text, position, size);
      // The underlined text may need more room than the template's width gives.
      link->SetSize(wxSize(std::max(size.x, link->GetBestSize().x), size.y));
      return link;
    }
    case ControlKind::kProgressBar:
      return new wxGauge(dialog, id, 100, position, size, wxGA_HORIZONTAL | wxGA_SMOOTH);
  }
  return nullptr;
}

}  // namespace

// clang-format off
wxBEGIN_EVENT_TABLE(CDialog, wxDialog)
  EVT_INIT_DIALOG(CDialog::HandleInitDialog)
wxEND_EVENT_TABLE()
    // clang-format on

    wxFont DialogFont(const char* face, int pointSize) {
  const wxString name =
      wxFontEnumerator::IsValidFacename(face) ? wxString(face) : wxString(kFallbackFace);
  return wxFont(wxFontInfo(pointSize).FaceName(name));
}

CDialog::CDialog(const DialogTemplate& dialogTemplate, wxWindow* parent) {
  if (!parent && wxTheApp) parent = wxTheApp->GetTopWindow();
  Create(parent, wxID_ANY, wxString::FromUTF8(dialogTemplate.caption), wxDefaultPosition,
         wxDefaultSize, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX);
  SetFont(DialogFont(dialogTemplate.fontFace, dialogTemplate.pointSize));
  // The dialog's own font sets its size: converted here, after the font is in place.
  SetClientSize(ConvertDialogToPixels(wxSize(dialogTemplate.width, dialogTemplate.height)));
  for (std::size_t i = 0; i < dialogTemplate.controlCount; ++i) {
    const ControlTemplate& control = dialogTemplate.controls[i];
    wxWindow* window = CreateControl(this, control);
    if (!control.visible) window->Hide();
  }
  CentreOnScreen();
}

bool CDialog::UpdateData(bool saveAndValidate) {
  CDataExchange exchange{saveAndValidate, this};
  DoDataExchange(&exchange);
  return true;
}

void CDialog::DoDataExchange(CDataExchange*) {}

bool CDialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void CDialog::HandleInitDialog(wxInitDialogEvent&) {
  OnInitDialog();
}
