#include "ui/link_static.h"

#include <errno.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "app/speed_test_app.h"
#include "res/dialog_templates.h"

#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif

namespace {

const wxColour kLinkColour(0, 0, 153);

}  // namespace

CLinkStatic::CLinkStatic(wxWindow* parent, int id, const wxString& text, const wxPoint& position,
                         const wxSize& size)
    : wxGenericStaticText(parent, id, text, position, size) {
  // Bound after the base class's own painting, so that it runs first and can skip to it.
  Bind(wxEVT_PAINT, &CLinkStatic::OnPaintEvent, this);
  Bind(wxEVT_LEFT_UP, &CLinkStatic::OnLeftUp, this);
  Bind(wxEVT_SET_CURSOR, &CLinkStatic::OnSetCursorEvent, this);
  DescribeForAssistiveTechnology();
}

CLinkStatic::~CLinkStatic() = default;

void CLinkStatic::SetLabel(const wxString& label) {
  wxGenericStaticText::SetLabel(label);
  DescribeForAssistiveTechnology();
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
  LaunchDetached(theApp.m_strBrowserPath, UrlFor(GetLabel().utf8_string()));
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

void CLinkStatic::DescribeForAssistiveTechnology() {
#ifdef __WXGTK__
  // Drawn by wx, the label is an anonymous panel to a screen reader unless told.
  if (AtkObject* accessible = gtk_widget_get_accessible(GetHandle())) {
    atk_object_set_role(accessible, ATK_ROLE_LINK);
    atk_object_set_name(accessible, GetLabel().utf8_str());
  }
#endif
}

bool LaunchDetached(const std::string& program, const std::string& argument) {
  if (program.empty()) return false;
  std::vector<char> path(program.begin(), program.end());
  path.push_back('\0');
  std::vector<char> url(argument.begin(), argument.end());
  url.push_back('\0');
  char* const argv[] = {path.data(), url.data(), nullptr};
  if (::access(path.data(), X_OK) != 0) return false;

  // The browser runs in a grandchild that no one waits for: the child that starts it ends
  // at once, so neither a zombie nor a wait is left behind.
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    if (::fork() == 0) {
      ::setsid();
      ::execv(argv[0], argv);
      ::_exit(127);
    }
    ::_exit(0);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return true;
}
