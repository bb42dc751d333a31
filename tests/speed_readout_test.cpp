// The live readout's text and the progress bar's position for each report.
#include "speedtest/speed_readout.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(SpeedReadout, TextsOfTheRate) {
  EXPECT_EQ(SpeedReadoutText(4096, 0.0), "kbit/s\n    0");
  EXPECT_EQ(SpeedReadoutText(204800, 2.5), "kbit/s\n  640");
  EXPECT_EQ(SpeedReadoutText(127, 0.001), "kbit/s\n    0");
  EXPECT_EQ(SpeedReadoutText(2097152, 4.0), "kbit/s\n 4096");
  EXPECT_EQ(SpeedReadoutText(1580160, 1.0), "kbit/s\n 12345");
  EXPECT_EQ(SpeedReadoutText(4096, -1.0), "kbit/s\n    0");
  EXPECT_EQ(SpeedReadoutText(4096, std::nan("")), "kbit/s\n    0");
  EXPECT_EQ(SpeedReadoutText(0xFFFFFFFFu, 1e-9), "kbit/s\n 2147483647");
}

TEST(SpeedReadout, ProgressPositions) {
  EXPECT_EQ(ProgressPosition(204800, 204800), 100u);
  EXPECT_EQ(ProgressPosition(4096, 204800), 2u);
  EXPECT_EQ(ProgressPosition(2047, 204800), 0u);
  EXPECT_EQ(ProgressPosition(4096, 0), 0u);
  EXPECT_EQ(ProgressPosition(409600, 204800), 200u);
}

}  // namespace
