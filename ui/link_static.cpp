#include "ui/link_static.h"

#include "res/dialog_templates.h"
#include "ui/browser_launch.h"
#include "ui/link_accessible.h"

namespace {

const wxColour kLinkColour(0, 0, 153);
const std::string* g_browserPath = nullptr;

}  // namespace

void SetBrowserPathForLinks(const std::string* path) {
  g_browserPath = path;
}

CLinkStatic::CLinkStatic(wxWindow* parent, int id, const wxString& text, const wxPoint& position,
                         const wxSize& size)
    : LinkStaticBase(parent, id, text, position, size) {
  // Bound after the base class's own painting, so that it runs first and can skip to it.
  Bind(wxEVT_PAINT, &CLinkStatic::OnPaintEvent, this);
  Bind(wxEVT_LEFT_UP, &CLinkStatic::OnLeftUp, this);
  Bind(wxEVT_SET_CURSOR, &CLinkStatic::OnSetCursorEvent, this);
  DescribeLinkForAssistiveTechnology(this);
}

CLinkStatic::~CLinkStatic() = default;

void CLinkStatic::SetLabel(const wxString& label) {
  LinkStaticBase::SetLabel(label);
  DescribeLinkForAssistiveTechnology(this);
}

std::string CLinkStatic::UrlFor(const std::string& labelText) {
  char id = '4';
  if (!labelText.empty()) {
    switch (labelText[0]) {
      case 'F':
        id = '1';
        break;
      case 'S':
        id = '2';
        break;
      case 'O':
        id = '3';
        break;
    }
  }
  return std::string("http://") + kProviderWebDomain + "/hastighedstest/?id=" + id;
}

void CLinkStatic::CtlColor() {
  if (!m_fontReady) {
    m_fontReady = true;
    const wxFont current = GetFont();
    if (current.IsOk()) {
      m_linkFont = current;
      m_linkFont.SetUnderlined(true);
      SetFont(m_linkFont);
      Refresh();
    }
  }
  if (GetForegroundColour() != kLinkColour) SetForegroundColour(kLinkColour);
}

void CLinkStatic::OnClicked() {
  OpenWithBrowser(g_browserPath ? *g_browserPath : std::string(), UrlFor(GetLabel().utf8_string()));
}

bool CLinkStatic::OnSetCursor(wxSetCursorEvent& event) {
  if (!m_handCursor.IsOk()) m_handCursor = wxCursor(wxCURSOR_HAND);
  event.SetCursor(m_handCursor);
  return true;
}

void CLinkStatic::OnPaintEvent(wxPaintEvent& event) {
  CtlColor();
  event.Skip();
}

void CLinkStatic::OnLeftUp(wxMouseEvent& event) {
  OnClicked();
  event.Skip();
}

void CLinkStatic::OnSetCursorEvent(wxSetCursorEvent& event) {
  OnSetCursor(event);
}
