#include "ui/icons.h"

wxIconBundle LoadIconBundle(int resource) {
  wxIconBundle bundle;
  for (int pixels : {16, 32, 48}) {
    const wxIcon icon = LoadIconImage(resource, pixels);
    if (icon.IsOk()) bundle.AddIcon(icon);
  }
  return bundle;
}
