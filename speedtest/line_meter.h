// The whole line's rate from several FTP sessions moving data side by side, counted in
// slices of time. Each new data connection starts TCP anew, so one session cannot fill a
// fast line: sessions are added in stages while the total still rises. A stage's window
// opens once every one of its sessions has moved data and a few round trips more have
// passed; it counts only once two moving averages of its window agree (settled), and its
// rate is the bytes of those slices over their time. The line is saturated when a stage with
// more sessions is no faster than the one before and the line showed that it was full: its
// loaded round trip rose well above the idle one, or an upload was sent again. Anything else
// is a lower bound. Pure computation: no network or clock.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// How the meter judges; the defaults are the program's.
struct CLineRules {
  // One session seldom fills a line whose round trip is more than a few milliseconds; four
  // do on most lines, and on a slow one cost little more than one.
  int firstSessions = 4;
  // At a 20 ms round trip one session of 2 MB files carries about 75 Mbit/s, at 50 ms about
  // 30: 16 sessions fill a gigabit line at 20 ms and 300 Mbit/s at 50 ms.
  int maxSessions = 16;
  double sliceMs = 100.0;
  // The idle round trip: a stage's window opens `rampRoundTrips` of them (one slice at
  // least) after its sessions all moved data, as TCP's slow start takes about that long.
  double idleRttMs = 0.0;
  int rampRoundTrips = 4;
  int averageSlices = 4;     // the moving average that must agree with the one before
  double agreeShare = 0.05;  // two averages this close: the rate no longer rises, it is settled
  double riseShare = 0.05;   // a stage faster than this over the last one still rises
  int maxStageSlices = 25;   // a stage that never settles gives way to the next
  double maxSeconds = 10.0;  // the whole direction at most
  // A full line queues: the loaded round trip is at least this much over the idle one.
  double fullRttRiseMs = 2.0;
  double fullRttRiseShare = 0.25;
};

// One slice of the phase, as the phase saw it at the slice's end.
struct CLineSlice {
  double ms = 0.0;
  unsigned long long bytes = 0;  // moved by every session together in the slice
  int sessions = 0;              // started and not lost (those still logging in too)
  int moving = 0;                // of them, those that have moved data since they started
  double loadedRttMs = -1.0;     // a loaded data connection's round trip; negative: not told
  unsigned long long retransmitted = 0;  // upload bytes sent again in the slice
  bool sessionLost = false;              // a session was lost, or stalled, in the slice
};

// What the meter found.
struct CLineFigure {
  double kbitPerSecond = -1.0;  // kbit of 1024 bits; negative: nothing measured
  int sessions = 0;             // of the stage that gave the figure
  int fillSessions = 0;         // the fewest that carried as much (within the rise share)
  double seconds = 0.0;         // the time the figure was measured over
  double phaseSeconds = 0.0;    // the whole phase, ramp-ups included
  // The median loaded round trip of the figure's slices, in ms; negative where none told.
  double loadedRttMs = -1.0;
  // The line is at least this fast: the rise had not ended when the phase had to (the cap
  // of sessions, the server's refusals, the time), a session was lost or stalled while the
  // line was not full, no stage settled, or the line never showed that it was full.
  bool lowerBound = false;
};

class CLineMeter {
 public:
  explicit CLineMeter(CLineRules rules = CLineRules()) : m_rules(rules) {}

  enum class Decision { kGoOn, kAddSessions, kStop };

  // The slice that just ended. A change in the number of sessions starts a new stage.
  void AddSlice(const CLineSlice& slice);
  // What the phase does next; `canAdd` false when no more sessions may start (the cap, or
  // the server refuses them).
  Decision Decide(bool canAdd);
  // The figure so far: the fastest stage that settled; where none did, the fastest window
  // of any as a lower bound; none where nothing moved.
  CLineFigure Figure() const;
  // How many sessions the next stage runs.
  int NextSessions(int running) const;
  // Where the phase ended without a decision (every session lost, the user stopped it).
  void EndedUndecided() { m_lowerBound = true; }

  const CLineRules& Rules() const { return m_rules; }

 private:
  struct Stage {
    int sessions = 0;
    std::vector<CLineSlice> slices;
    bool allMoving = false;            // every session has moved data
    std::size_t rampLeft = 0;          // slices still to pass after that
    std::size_t windowFrom = kClosed;  // the window's first slice
    bool settled = false;
  };
  static constexpr std::size_t kClosed = static_cast<std::size_t>(-1);
  // The stage's rate over its window, or its settled slices; negative when they moved
  // nothing.
  double StageRate(const Stage& stage, double* seconds) const;
  bool Settled(const Stage& stage) const;
  // Whether the stage's window shows a full line: a queue or retransmissions.
  bool ShowsFull(const Stage& stage) const;
  // The median of the round trips told in the stage's window; negative where none were.
  double MedianRtt(const Stage& stage) const;

  CLineRules m_rules;
  std::vector<Stage> m_stages;
  double m_elapsedMs = 0.0;
  bool m_lowerBound = false;
  bool m_sessionLost = false;  // a session was lost or stalled
};

// Whether a test file that took `seconds` measured the line by itself, over a round trip of
// `idleRttMs` (negative: not measured): over this many round trips TCP's slow start is a
// small share of its time, and over this long the clock's step (a tick of 15.6 ms on Windows)
// and a line's first burst are too, so the whole line would add only data. A round trip under
// a millisecond counts as one.
inline constexpr double kFileRoundTripsThatTell = 50.0;
inline constexpr double kFileSecondsThatTell = 0.5;
bool TestFileMeasuredTheLine(double seconds, double idleRttMs);
