// The dialog templates as data: coordinates in dialog units of the dialog's own font.
#pragma once

#include <cstddef>

enum class ControlKind {
  kPushButton,
  kDefaultPushButton,
  kStaticText,       // left-aligned, breaks lines at "\n", expands tabs
  kRightStaticText,  // drawn flush right
  kGroupBox,
  kIcon,         // shows the icon resource named by `resource`
  kLinkLabel,    // a static text that acts as a link
  kProgressBar,  // smooth, range 0 to 100
};

struct ControlTemplate {
  int id;
  ControlKind kind;
  const char* text;
  int x, y, width, height;
  bool visible;
  int resource;  // the icon of a kIcon control; 0 otherwise
};

struct DialogTemplate {
  int id;
  const char* caption;
  int width, height;
  const char* fontFace;
  int pointSize;
  const ControlTemplate* controls;
  std::size_t controlCount;
};

// The provider's web domain, as the upgrade link's text and the link targets name it.
inline constexpr char kProviderWebDomain[] = "lumvik.dk";

// Template 102: the main dialog.
extern const DialogTemplate kMainDialogTemplate;
// Template 100: the About box.
extern const DialogTemplate kAboutDialogTemplate;
