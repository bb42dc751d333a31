#include "app/single_instance.h"

void BringToFront(wxTopLevelWindow* window) {
  if (window->IsIconized()) window->Iconize(false);
  window->Raise();
}
