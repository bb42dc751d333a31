// The whole line's meter on lines made of numbers: sessions added while the total rises, the
// ramp-up of each stage thrown away, saturation, and the lower bound where the rise could not
// end.
#include "speedtest/line_meter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

// kbit/s that `sessions` move in the `slice`th slice (from 0) of their stage.
using Line = std::function<double(int sessions, int slice)>;

struct Played {
  CLineFigure figure;
  std::vector<int> stages;  // the sessions of each stage, in order
};

// Runs the meter as the phase does: a slice at a time, adding sessions when told, as long
// as `canAdd` allows.
Played Play(const Line& line, const std::function<bool(int sessions)>& canAdd) {
  CLineMeter meter;
  int sessions = meter.Rules().firstSessions;
  Played played{{}, {sessions}};
  for (int slice = 0;; ++slice) {
    const double kbit = line(sessions, slice) * meter.Rules().sliceMs / 1000.0;
    meter.AddSlice(meter.Rules().sliceMs, static_cast<unsigned long long>(kbit * 128.0), sessions);
    const int next = meter.NextSessions(sessions);
    const CLineMeter::Decision decision = meter.Decide(next > sessions && canAdd(next));
    if (decision == CLineMeter::Decision::kStop) break;
    if (decision == CLineMeter::Decision::kAddSessions) {
      sessions = next;
      played.stages.push_back(sessions);
      slice = -1;
    }
  }
  played.figure = meter.Figure();
  return played;
}

// Each session carries `perSession` once its ramp-up (a slow first half second) is over; the
// line carries `ceiling` at most.
Line Capped(double perSession, double ceiling) {
  return [=](int sessions, int slice) {
    const double ramp = slice < 5 ? 0.2 * (slice + 1) : 1.0;
    return std::min(ceiling, sessions * perSession) * ramp;
  };
}

TEST(LineMeter, AddsSessionsUntilTheLineIsSaturated) {
  const auto always = [](int) { return true; };
  // 150 Mbit/s a session on a 300 Mbit/s line: 4 fill it, 8 are no faster.
  Played played = Play(Capped(146484.4, 292968.8), always);
  EXPECT_EQ(played.stages, (std::vector<int>{4, 8}));
  EXPECT_NEAR(played.figure.kbitPerSecond, 292968.8, 1.0);  // the ramp-up thrown away
  EXPECT_FALSE(played.figure.lowerBound);
  EXPECT_EQ(played.figure.sessions, 4);
  // 30 Mbit/s a session on a gigabit line: 4, 8 and 16 each rise; the cap ends the rise.
  played = Play(Capped(29296.9, 976562.5), always);
  EXPECT_EQ(played.stages, (std::vector<int>{4, 8, 16}));
  EXPECT_NEAR(played.figure.kbitPerSecond, 16 * 29296.9, 1.0);
  EXPECT_TRUE(played.figure.lowerBound);
  EXPECT_LE(played.figure.phaseSeconds, 10.0);
  // A rise of just under 5% is no rise; just over, it is.
  for (const double rise : {1.049, 1.051}) {
    const Line small = [rise](int sessions, int) { return sessions > 4 ? 1000.0 * rise : 1000.0; };
    played = Play(small, always);
    EXPECT_EQ(played.stages.size(), rise < 1.05 ? 2u : 3u) << rise;
  }
}

TEST(LineMeter, ServerThatRefusesMoreSessionsOrTimeThatRunsOutGivesALowerBound) {
  Played played = Play(Capped(146484.4, 976562.5), [](int sessions) { return sessions <= 4; });
  EXPECT_EQ(played.stages, (std::vector<int>{4}));
  EXPECT_NEAR(played.figure.kbitPerSecond, 4 * 146484.4, 1.0);
  EXPECT_TRUE(played.figure.lowerBound);
  // A line that never settles: each stage is taken as it is after its longest, and the
  // phase ends at its time.
  const Line unsettled = [](int sessions, int slice) {
    return sessions * (slice % 2 ? 1000.0 : 2000.0) * (1.0 + slice / 10.0);
  };
  played = Play(unsettled, [](int) { return true; });
  EXPECT_LE(played.figure.phaseSeconds, 10.0 + 1e-9);
  EXPECT_TRUE(played.figure.lowerBound);
  // Nothing moved at all: no figure.
  played = Play([](int, int) { return 0.0; }, [](int) { return true; });
  EXPECT_EQ(played.figure.kbitPerSecond, 0.0);
  EXPECT_EQ(CLineMeter().Figure().kbitPerSecond, -1.0);
}

}  // namespace
