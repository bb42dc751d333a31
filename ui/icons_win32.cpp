#include "ui/icons.h"

#include <wx/icon.h>
#include <wx/log.h>

namespace {

// A numbered resource as the system's loaders name it.
wxString ResourceName(int resource) {
  return wxString::Format("#%d", resource);
}

}  // namespace

wxBitmap LoadIconImage(int resource, int pixels) {
  const wxLogNull quiet;  // a missing resource is an invalid bitmap, not a message box
  const wxIcon icon(ResourceName(resource), wxBITMAP_TYPE_ICO_RESOURCE, pixels, pixels);
  if (!icon.IsOk()) return wxBitmap();
  wxBitmap bitmap;
  bitmap.CopyFromIcon(icon);
  return bitmap;
}

wxIconBundle LoadIconBundle(int resource) {
  const wxLogNull quiet;
  return wxIconBundle(ResourceName(resource), nullptr);
}
