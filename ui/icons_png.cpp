#include "ui/icons.h"

#include <wx/image.h>
#include <wx/mstream.h>

#include "res/embedded_images.h"

namespace {

void EnsurePngHandler() {
  if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
}

}  // namespace

wxIcon LoadIconImage(int resource, int pixels) {
  wxIcon icon;
  const EmbeddedImage image = FindEmbeddedImage(resource, pixels);
  if (!image.data) return icon;
  EnsurePngHandler();
  wxMemoryInputStream stream(image.data, image.size);
  icon.CopyFromBitmap(wxBitmap(wxImage(stream, wxBITMAP_TYPE_PNG)));
  return icon;
}
