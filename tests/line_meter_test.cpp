// The whole line's meter on lines made of numbers: sessions added while the total rises, the
// ramp-up of each stage thrown away, saturation only where the line shows it is full, and the
// lower bound wherever the rise could not end or the figure could not settle.
#include "speedtest/line_meter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

constexpr double kIdleRttMs = 10.0;

// What `sessions` do in the `slice`th slice (from 0) of their stage.
struct Moment {
  double kbitPerSecond = 0.0;
  double rttMs = kIdleRttMs;
  int moving = -1;  // sessions that have moved data; -1: all
  bool lost = false;
};
using Line = std::function<Moment(int sessions, int slice)>;

struct Played {
  CLineFigure figure;
  std::vector<int> stages;  // the sessions of each stage, in order
};

// Runs the meter as the phase does: a slice at a time, adding sessions when told, as long
// as `canAdd` allows.
Played Play(const Line& line, const std::function<bool(int sessions)>& canAdd,
            CLineRules rules = CLineRules()) {
  rules.idleRttMs = kIdleRttMs;
  CLineMeter meter(rules);
  int sessions = rules.firstSessions;
  Played played{{}, {sessions}};
  for (int slice = 0;; ++slice) {
    const Moment moment = line(sessions, slice);
    CLineSlice at;
    at.ms = rules.sliceMs;
    at.bytes = static_cast<unsigned long long>(moment.kbitPerSecond * rules.sliceMs / 1000.0 * 128);
    at.sessions = sessions;
    at.moving = moment.moving < 0 ? sessions : moment.moving;
    at.loadedRttMs = moment.rttMs;
    at.sessionLost = moment.lost;
    meter.AddSlice(at);
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
// line carries `ceiling` at most, and queues (a round trip 30 ms longer) when full, unless
// `queues` is false.
Line Capped(double perSession, double ceiling, bool queues = true) {
  return [=](int sessions, int slice) {
    const double ramp = slice < 5 ? 0.2 * (slice + 1) : 1.0;
    const bool full = sessions * perSession >= ceiling;
    return Moment{std::min(ceiling, sessions * perSession) * ramp,
                  kIdleRttMs + (full && queues ? 30.0 : 0.0)};
  };
}

const auto kAlways = [](int) { return true; };

TEST(LineMeter, AddsSessionsUntilTheLineShowsItIsFull) {
  // 150 Mbit/s a session on a 300 Mbit/s line: 4 fill it, 8 are no faster, and it queues.
  Played played = Play(Capped(146484.4, 292968.8), kAlways);
  EXPECT_EQ(played.stages, (std::vector<int>{4, 8}));
  EXPECT_NEAR(played.figure.kbitPerSecond, 292968.8, 1.0);  // the ramp-up thrown away
  EXPECT_FALSE(played.figure.lowerBound);
  EXPECT_EQ(played.figure.sessions, 4);
  // The same plateau on a line whose round trip never rose: something else may have held
  // the sessions back, so it is at least that.
  played = Play(Capped(146484.4, 292968.8, false), kAlways);
  EXPECT_TRUE(played.figure.lowerBound);
  // A rise of the round trip just under the rule's (25% of 10 ms, 2.5 ms) is none.
  for (const double rise : {2.4, 2.6}) {
    played = Play([rise](int, int) { return Moment{1000.0, kIdleRttMs + rise}; }, kAlways);
    EXPECT_EQ(played.figure.lowerBound, rise < 2.5) << rise;
  }
  // 61 Mbit/s a session on a gigabit line: 4, 8 and 16 each rise, and 16 queue; the cap ends
  // the rise, and a queue alone proves nothing.
  played = Play(Capped(62500.0, 976562.5), kAlways);
  EXPECT_EQ(played.stages, (std::vector<int>{4, 8, 16}));
  EXPECT_NEAR(played.figure.kbitPerSecond, 976562.5, 1.0);
  EXPECT_TRUE(played.figure.lowerBound);
  EXPECT_LE(played.figure.phaseSeconds, 10.0);
  // A rise of just under 5% is no rise; just over, it is.
  for (const double rise : {1.049, 1.051}) {
    const Line small = [rise](int sessions, int) {
      return Moment{sessions > 4 ? 1000.0 * rise : 1000.0};
    };
    played = Play(small, kAlways);
    EXPECT_EQ(played.stages.size(), rise < 1.05 ? 2u : 3u) << rise;
  }
}

TEST(LineMeter, CountsAStageOnlyOnceEverySessionMovesAndItSettles) {
  // Two of the 4 sessions take a second to log in, while the other two move steadily; the
  // window opens a slice after the last one moves (4 round trips of 10 ms), so the steady
  // half never passes for the stage.
  const Line loggingIn = [](int, int slice) {
    const int moving = slice < 10 ? 2 : 4;
    return Moment{moving * 25000.0, 40.0, moving};
  };
  Played played = Play(loggingIn, [](int) { return false; });
  EXPECT_NEAR(played.figure.kbitPerSecond, 100000.0, 1.0);
  // A stage cut short by a lost session before it settled gives no figure of its own; the
  // next stage's does, as a lower bound on a line that never queued.
  const Line losing = [](int sessions, int slice) {
    if (sessions == 8 && slice == 7) return Moment{9e9, kIdleRttMs, -1, true};
    return Moment{sessions * 1000.0, kIdleRttMs};
  };
  played = Play(losing, kAlways);
  EXPECT_TRUE(played.figure.lowerBound);
  EXPECT_LT(played.figure.kbitPerSecond, 9e9 / 10);
  // A session that stalls makes the figure a lower bound as a lost one does, unless the line
  // queued all the same: the others then took its share.
  for (const double rtt : {kIdleRttMs, 40.0}) {
    played = Play([rtt](int, int slice) { return Moment{1000.0, rtt, -1, slice == 9}; }, kAlways);
    EXPECT_EQ(played.figure.lowerBound, rtt == kIdleRttMs) << rtt;
  }
}

TEST(LineMeter, ServerThatRefusesMoreSessionsOrTimeThatRunsOutGivesALowerBound) {
  Played played = Play(Capped(146484.4, 976562.5), [](int sessions) { return sessions <= 4; });
  EXPECT_EQ(played.stages, (std::vector<int>{4}));
  EXPECT_NEAR(played.figure.kbitPerSecond, 4 * 146484.4, 1.0);
  EXPECT_TRUE(played.figure.lowerBound);
  // A line that never settles: each stage gives way to the next after its longest, and
  // the phase ends at its time with what never settled as a lower bound.
  const Line unsettled = [](int sessions, int slice) {
    return Moment{sessions * (slice % 2 ? 1000.0 : 2000.0) * (1.0 + slice / 10.0)};
  };
  CLineRules fiveSeconds;  // three stages of 25 slices would take 7.5 s
  fiveSeconds.maxSeconds = 5.0;
  played = Play(unsettled, kAlways, fiveSeconds);
  EXPECT_EQ(played.stages, (std::vector<int>{4, 8}));
  EXPECT_NEAR(played.figure.phaseSeconds, 5.0, 1e-9);
  EXPECT_TRUE(played.figure.lowerBound);
  EXPECT_GT(played.figure.kbitPerSecond, 0.0);
  // Out of time while each settled stage still rises.
  CLineRules shortPhase;
  shortPhase.maxSeconds = 2.0;
  played = Play(Capped(29296.9, 976562.5), kAlways, shortPhase);
  EXPECT_EQ(played.stages, (std::vector<int>{4, 8}));
  EXPECT_TRUE(played.figure.lowerBound);
  EXPECT_LE(played.figure.phaseSeconds, 2.0 + 1e-9);
  // Nothing moved at all: no figure, not a line of 0.
  played = Play([](int, int) { return Moment{}; }, kAlways);
  EXPECT_LT(played.figure.kbitPerSecond, 0.0);
  EXPECT_LT(CLineMeter().Figure().kbitPerSecond, 0.0);
}

// 50 round trips and half a second at least; a round trip not measured tells nothing.
TEST(LineMeter, TestFileTellsTheLineOverFiftyRoundTripsAndHalfASecond) {
  for (const double rtt : {20.0, 0.2}) {
    const double enough = rtt > 1.0 ? 1.0 : 0.5;
    EXPECT_FALSE(TestFileMeasuredTheLine(enough - 0.001, rtt));
    EXPECT_TRUE(TestFileMeasuredTheLine(enough, rtt));
  }
  EXPECT_FALSE(TestFileMeasuredTheLine(100.0, -1.0));
}

}  // namespace
