// Where a minimised window draws its icon: centred in the client area.
#pragma once

struct IconOrigin {
  int x;
  int y;
};

// The icon's top-left corner: (client − icon + 1) / 2 on each axis, truncated toward zero.
inline IconOrigin MinimisedIconOrigin(int clientWidth, int clientHeight, int iconWidth,
                                      int iconHeight) {
  return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}
