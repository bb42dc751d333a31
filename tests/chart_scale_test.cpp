// The chart's arithmetic: round axis steps, time marks for each range, and the runs joined,
// broken and thinned for drawing.
#include "ui/chart_scale.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/utc_local_time.h"

namespace {

constexpr std::time_t kHour = 3600;

TEST(ChartScale, ValueAxisStepsAreRoundAndHoldTheHighest) {
  EXPECT_EQ(ValueAxis(2007.8, 5).top, 2500);
  EXPECT_EQ(ValueAxis(2007.8, 5).step, 500);
  EXPECT_EQ(ValueAxis(58, 2).step, 50);
  EXPECT_EQ(ValueAxis(58, 2).top, 100);
  EXPECT_EQ(ValueAxis(100, 5).top, 100);  // a value on a step needs no step more
  EXPECT_EQ(ValueAxis(0.3, 3).step, 0.1);
  EXPECT_EQ(ValueAxis(0, 5).top, 1);  // nothing measured: an axis all the same
  EXPECT_EQ(ValueAxis(-1, 5).top, 1);
}

TEST(ChartScale, TimeMarksFitTheSpan) {
  UseUtcAsLocalTime();
  const auto labels = [](std::time_t span, int marks) {
    std::vector<std::string> out;
    for (const CTimeMark& mark : TimeMarks(kNoon - span, kNoon, marks)) out.push_back(mark.label);
    return out;
  };
  EXPECT_EQ(labels(24 * kHour, 8),
            (std::vector<std::string>{"12:00", "15:00", "18:00", "21:00", "00:00", "03:00", "06:00",
                                      "09:00", "12:00"}));
  EXPECT_EQ(labels(7 * 24 * kHour, 8), (std::vector<std::string>{"03-12", "04-12", "05-12", "06-12",
                                                                 "07-12", "08-12", "09-12"}));
  EXPECT_EQ(labels(365 * 24 * kHour, 8),
            (std::vector<std::string>{"feb 2026", "apr 2026", "jun 2026", "aug 2026", "okt 2026",
                                      "dec 2026"}));
  EXPECT_TRUE(TimeMarks(kNoon, kNoon, 8).empty());
}

TEST(ChartScale, RunsJoinWithinTheGapAndThinToTwoAColumn) {
  const std::vector<std::time_t> times = {0, kHour, 5 * kHour, 6 * kHour, 6 * kHour + 1};
  EXPECT_EQ(JoinedPieces(times, 3 * kHour),
            (std::vector<std::vector<std::size_t>>{{0, 1}, {2, 3, 4}}));
  EXPECT_TRUE(JoinedPieces({}, 3 * kHour).empty());
  EXPECT_EQ(JoiningGap(24 * kHour), 3 * kHour);
  EXPECT_EQ(JoiningGap(365 * 24 * kHour), 365 * 24 * kHour / 50);

  // Ten runs in two columns: each column keeps its lowest and highest, in time order; a run
  // without a value is left out.
  std::vector<std::time_t> dense;
  for (int i = 0; i < 10; ++i) dense.push_back(i);
  const std::vector<double> values = {5, 1, 9, 3, -1, 4, 8, 2, 7, 6};
  EXPECT_EQ(ColumnExtremes({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, dense, values, 0, 10, 2),
            (std::vector<std::size_t>{1, 2, 6, 7}));
  EXPECT_EQ(ColumnExtremes({0, 1}, dense, values, 0, 10, 100), (std::vector<std::size_t>{0, 1}));
}

}  // namespace
