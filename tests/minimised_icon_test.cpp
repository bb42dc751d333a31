// Where the icon goes in a minimised window.
#include "ui/minimised_icon.h"

#include <gtest/gtest.h>

namespace {

TEST(MinimisedIcon, CentredTruncatingTowardZero) {
  const IconOrigin origin = MinimisedIconOrigin(48, 40, 32, 32);
  EXPECT_EQ(origin.x, 8);
  EXPECT_EQ(origin.y, 4);
  const IconOrigin empty = MinimisedIconOrigin(0, 0, 32, 32);
  EXPECT_EQ(empty.x, -15);
  EXPECT_EQ(empty.y, -15);
}

}  // namespace
