#include <wx/access.h>

#include "ui/link_accessible.h"
#include "ui/link_static.h"

namespace {

// The link as MSAA (and UI Automation through its bridge) sees it: a link named by its
// text, whose default action does what a click does. Everything else is the native
// static's: the keyboard order stays the design's, with the button the only tab stop.
class LinkAccessible : public wxAccessible {
 public:
  explicit LinkAccessible(CLinkStatic* link) : wxAccessible(link), m_link(link) {}

  wxAccStatus GetRole(int childId, wxAccRole* role) override {
    if (childId != wxACC_SELF) return wxACC_NOT_IMPLEMENTED;
    *role = wxROLE_SYSTEM_LINK;
    return wxACC_OK;
  }
  wxAccStatus GetName(int childId, wxString* name) override {
    if (childId != wxACC_SELF) return wxACC_NOT_IMPLEMENTED;
    *name = m_link->GetLabel();
    return wxACC_OK;
  }
  wxAccStatus GetDefaultAction(int childId, wxString* action) override {
    if (childId != wxACC_SELF) return wxACC_NOT_IMPLEMENTED;
    *action = "Click";
    return wxACC_OK;
  }
  wxAccStatus DoDefaultAction(int childId) override {
    if (childId != wxACC_SELF) return wxACC_NOT_IMPLEMENTED;
    m_link->OnClicked();
    return wxACC_OK;
  }

 private:
  CLinkStatic* m_link;
};

}  // namespace

void DescribeLinkForAssistiveTechnology(CLinkStatic* link) {
  // The name is read from the label each time it is asked for: nothing to renew.
  if (!link->GetAccessible()) link->SetAccessible(new LinkAccessible(link));
}
