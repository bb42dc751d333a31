#include "ui/windowing.h"

#include <wx/app.h>
#include <wx/evtloop.h>

void PumpWindowMessages() {
  if (!wxTheApp) return;
  wxEventLoopBase* loop = wxEventLoopBase::GetActive();
  if (!loop) {
    // No loop runs (the dialog is not modal): let wx dispatch what is waiting.
    wxTheApp->Yield(true);
    return;
  }
  // The window system's events, then the events queued inside wx (a close request, for
  // one). Idle processing waits for the modal loop: it is no event.
  while (loop->Pending()) loop->Dispatch();
  wxTheApp->ProcessPendingEvents();
}
