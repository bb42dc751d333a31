// The whole line's rate from several FTP sessions moving data side by side, counted in
// slices of time. Each new data connection starts TCP anew, so one session cannot fill a
// fast line: sessions are added in stages while the total still rises. Within a stage the
// slices of its ramp-up are thrown away; the stage's rate is the bytes of the rest over their
// time, once two moving averages agree. The line is saturated when a stage with more
// sessions is no faster than the one before. Pure computation: no network or clock.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// How the meter judges; the defaults are the program's.
struct CLineRules {
  int firstSessions = 4;  // as BEREC's measurement tool starts
  // At a 20 ms round trip one session of 2 MB files carries about 75 Mbit/s, at 50 ms about
  // 30: 16 sessions fill a gigabit line at 20 ms and 300 Mbit/s at 50 ms.
  int maxSessions = 16;
  double sliceMs = 100.0;
  int rampSlices = 5;        // thrown away at the start of each stage
  int averageSlices = 4;     // the moving average that must agree with the one before
  double agreeShare = 0.05;  // within 5%, as the responsiveness draft's saturation
  double riseShare = 0.05;   // a stage faster than this over the last one still rises
  int maxStageSlices = 25;   // a stage that never settles is taken as it is
  double maxSeconds = 10.0;  // the whole direction at most
};

// What the meter found.
struct CLineFigure {
  double kbitPerSecond = -1.0;  // kbit of 1024 bits; negative: nothing measured
  int sessions = 0;             // of the stage that gave the figure
  double seconds = 0.0;         // the time the figure was measured over
  double phaseSeconds = 0.0;    // the whole phase, ramp-ups included
  // The rise had not ended when the phase had to: the cap of sessions, the server's
  // refusals or the time stopped it. The line is at least this fast.
  bool lowerBound = false;
};

class CLineMeter {
 public:
  explicit CLineMeter(CLineRules rules = CLineRules()) : m_rules(rules) {}

  enum class Decision { kGoOn, kAddSessions, kStop };

  // The slice that just ended: `ms` long, `bytes` moved by every session together, with
  // `sessions` started and not lost (those still logging in too). A change in their number
  // starts a new stage, whose ramp-up covers the log-in.
  void AddSlice(double ms, unsigned long long bytes, int sessions);
  // What the phase does next; `canAdd` false when no more sessions may start (the cap, or
  // the server refuses them).
  Decision Decide(bool canAdd);
  // The figure so far: the fastest stage that settled, or the stage under way.
  CLineFigure Figure() const;
  // How many sessions the next stage runs.
  int NextSessions(int running) const;

  const CLineRules& Rules() const { return m_rules; }

 private:
  struct Stage {
    int sessions = 0;
    std::vector<double> kbitPerSecond;  // each slice's rate
    std::vector<double> ms;
    std::vector<unsigned long long> bytes;
  };
  // The stage's rate over its slices after the ramp-up; negative when none are left.
  double StageRate(const Stage& stage, double* seconds) const;
  bool Settled(const Stage& stage) const;

  CLineRules m_rules;
  std::vector<Stage> m_stages;
  double m_elapsedMs = 0.0;
  bool m_lowerBound = false;
};

// What one direction's phase found.
struct CLineDirection {
  bool measured = false;  // the phase ran
  CLineFigure figure;
  int sessionsStarted = 0;
  int sessionsRefused = 0;          // the server would not have them (421, ...)
  int sessionsFailed = 0;           // lost on the way, the refused among them
  std::string firstFailure;         // what the first lost session said
  std::vector<double> loadedRttMs;  // the data connections' round trip, a look each slice
  // An upload's bytes sent (retransmissions included) and sent again, as the system told of
  // its whole files; 0 where it tells nothing.
  unsigned long long bytesSent = 0;
  unsigned long long bytesRetransmitted = 0;
  std::vector<std::string> leftFiles;  // uploads that could not be deleted
  bool stopped = false;                // the sink stopped it
};
