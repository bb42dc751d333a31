#include "ui/link_accessible.h"
#include "ui/link_static.h"
#include "ui/named_accessible_win32.h"

namespace {

// The link as MSAA sees it: a link named by its text, whose default action does what a
// click does. Everything else is the native static's: the keyboard order stays as it is,
// with the button the only tab stop.
class LinkAccessible : public NamedAccessible {
 public:
  explicit LinkAccessible(CLinkStatic* link)
      : NamedAccessible(link, wxROLE_SYSTEM_LINK), m_link(link) {}

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
