#include <windows.h>

#include <wx/icon.h>

#include "ui/icons.h"

namespace {

// The icon resource at that size, straight from the executable's resources.
wxIcon LoadResourceIcon(int resource, int pixels) {
  wxIcon icon;
  const HANDLE loaded = ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource),
                                     IMAGE_ICON, pixels, pixels, LR_DEFAULTCOLOR);
  if (loaded) icon.CreateFromHICON(static_cast<HICON>(loaded));
  return icon;
}

}  // namespace

wxBitmap LoadIconImage(int resource, int pixels) {
  const wxIcon icon = LoadResourceIcon(resource, pixels);
  if (!icon.IsOk()) return wxBitmap();
  wxBitmap bitmap;
  bitmap.CopyFromIcon(icon);
  return bitmap;
}

wxIconBundle LoadIconBundle(int resource) {
  wxIconBundle bundle;
  for (int pixels : {16, 32, 48}) {
    const wxIcon icon = LoadResourceIcon(resource, pixels);
    if (icon.IsOk()) bundle.AddIcon(icon);
  }
  return bundle;
}
