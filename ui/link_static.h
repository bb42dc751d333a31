// A static text that looks and acts like a link: dark blue, underlined, nothing painted
// behind it, the pointing hand over it, and a click that opens one of the provider's pages
// in the user's browser. The page follows the first byte of the label's text at the click.
#pragma once

#include <wx/stattext.h>  // before the generic static text, which builds on it

#include <wx/cursor.h>
#include <wx/font.h>
#include <wx/generic/stattextg.h>

#include <string>

#ifdef __WXMSW__
using LinkStaticBase = wxStaticText;  // the native static control, as clickable as it is
#else
using LinkStaticBase = wxGenericStaticText;  // drawn by wx: a GTK label takes no clicks
#endif

class CLinkStatic : public LinkStaticBase {
 public:
  CLinkStatic(wxWindow* parent, int id, const wxString& text, const wxPoint& position,
              const wxSize& size);
  ~CLinkStatic() override;

  // A new text; a screen reader reads the new one too.
  void SetLabel(const wxString& label) override;

  // The page a label of this text opens: id 1 for "F", 2 for "S", 3 for "O", else 4.
  static std::string UrlFor(const std::string& labelText);

  // The colour request before each painting: builds the underlined font the first time,
  // then sets the link colour.
  void CtlColor();
  // Starts the browser with the page that the label's text chooses.
  void OnClicked();
  // Shows the pointing hand, loaded at the first request.
  bool OnSetCursor(wxSetCursorEvent& event);

  wxFont m_linkFont;
  bool m_fontReady = false;
  wxCursor m_handCursor;

 private:
  void OnPaintEvent(wxPaintEvent& event);
  void OnLeftUp(wxMouseEvent& event);
  void OnSetCursorEvent(wxSetCursorEvent& event);
};

// Where a click finds the browser's path: the application's own, which it hands over when it
// is made (a pointer, so that the path it looks up later is the one used). None: no browser.
void SetBrowserPathForLinks(const std::string* path);
