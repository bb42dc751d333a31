// One window program per user: a second start brings the first one's dialog to the front
// and ends, rather than open a second dialog.
#pragma once

#include <wx/defs.h>
#include <wx/snglinst.h>
#include <wx/toplevel.h>

#include <memory>

class CSingleInstance {
 public:
  CSingleInstance() = default;
  CSingleInstance(const CSingleInstance&) = delete;
  CSingleInstance& operator=(const CSingleInstance&) = delete;
  ~CSingleInstance();

  // Whether another copy of the window program runs for this user; it has then been asked
  // to bring its dialog to the front.
  bool RaisedAnother();
  // From now on a later copy's ask brings `dialog` to the front (and out of its icon).
  void ServeRaises(wxTopLevelWindow* dialog);

 private:
  std::unique_ptr<wxSingleInstanceChecker> m_checker;
  void* m_pServer = nullptr;  // what listens for the asks, where the platform needs one
};

// Brings `window` to the front, out of its icon if it is minimised.
void BringToFront(wxTopLevelWindow* window);
