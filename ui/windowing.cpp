#include "ui/windowing.h"

#include <wx/app.h>

void PumpWindowMessages() {
  // Yield(true) returns at once when called from inside another yield.
  if (wxTheApp) wxTheApp->Yield(true);
}
