#include "ui/icons.h"

#include <wx/image.h>
#include <wx/mstream.h>

#include "res/embedded_images.h"

namespace {

void EnsurePngHandler() {
  if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
}

}  // namespace

wxBitmap LoadIconImage(int resource, int pixels) {
  const EmbeddedImage image = FindEmbeddedImage(resource, pixels);
  if (!image.data) return wxBitmap();
  EnsurePngHandler();
  wxMemoryInputStream stream(image.data, image.size);
  return wxBitmap(wxImage(stream, wxBITMAP_TYPE_PNG));
}

wxIconBundle LoadIconBundle(int resource) {
  wxIconBundle bundle;
  for (int pixels : {16, 32, 48}) {
    const wxBitmap bitmap = LoadIconImage(resource, pixels);
    if (!bitmap.IsOk()) continue;
    wxIcon icon;
    icon.CopyFromBitmap(bitmap);
    bundle.AddIcon(icon);
  }
  return bundle;
}
