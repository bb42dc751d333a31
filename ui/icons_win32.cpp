#include <windows.h>

#include <wx/icon.h>

#include "ui/icons.h"

wxIcon LoadIconImage(int resource, int pixels) {
  // Straight from the executable's resources at that size: the system's own icon, whose
  // transparency every static control and window draws right.
  wxIcon icon;
  const HANDLE loaded = ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource),
                                     IMAGE_ICON, pixels, pixels, LR_DEFAULTCOLOR);
  if (loaded) icon.CreateFromHICON(static_cast<HICON>(loaded));
  return icon;
}
