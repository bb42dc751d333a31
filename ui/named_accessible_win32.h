// A window as MSAA (and UI Automation, through its bridge) sees it: a role of its own, and
// its label as its name.
#pragma once

#include <wx/access.h>
#include <wx/window.h>

class NamedAccessible : public wxAccessible {
 public:
  NamedAccessible(wxWindow* window, wxAccRole role)
      : wxAccessible(window), m_window(window), m_role(role) {}

  wxAccStatus GetRole(int childId, wxAccRole* role) override {
    if (childId != wxACC_SELF) return wxACC_NOT_IMPLEMENTED;
    *role = m_role;
    return wxACC_OK;
  }
  wxAccStatus GetName(int childId, wxString* name) override {
    if (childId != wxACC_SELF) return wxACC_NOT_IMPLEMENTED;
    *name = m_window->GetLabel();
    return wxACC_OK;
  }

 private:
  wxWindow* m_window;
  wxAccRole m_role;
};
