// The icon images, built into the program.
#pragma once

#include <cstddef>

struct EmbeddedImage {
  const unsigned char* data;  // PNG bytes; null when there is no such image
  std::size_t size;
};

// The image of icon resource `resource` that is `pixels` wide and high.
EmbeddedImage FindEmbeddedImage(int resource, int pixels);
