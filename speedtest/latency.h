// How the line feels, not only how fast it is: the round trip when the line is idle, its
// jitter, and how much it grows while each direction is loaded (bufferbloat), graded as the
// bufferbloat tests grade it. Pure computation on samples in milliseconds.
#pragma once

#include <string>
#include <vector>

// The `share` (0 to 1) quantile of `samples`, between the two nearest ranks; negative when
// there are none. The median is the 0.5 quantile.
double Quantile(std::vector<double> samples, double share);
double Median(const std::vector<double>& samples);
// The mean of the lowest `keep` share of `samples` (at least one); negative when none.
double TrimmedMean(std::vector<double> samples, double keep);
// The mean absolute difference between consecutive samples; negative for fewer than two.
double Jitter(const std::vector<double>& samples);
// The grade of `increaseMs` of added latency: "A+" under 5 ms, "A" under 30, "B" under 60,
// "C" under 200, "D" under 400, "F" from 400 on.
const char* LatencyGrade(double increaseMs);
// True when `text` is one of those grades.
bool IsLatencyGrade(const std::string& text);
// The worse of two grades; an empty grade (not measured) gives way to the other.
std::string WorseGrade(const std::string& a, const std::string& b);
// Round trips per minute (RPM) for a round trip of `ms`, and the word for it: "Poor" under
// 300 (a round trip over 200 ms), "Fair" under 1000, "Good" up to 6000, "Excellent" above.
double RoundTripsPerMinute(double ms);
const char* ResponsivenessWords(double rpm);

// One direction while loaded.
struct CLoadedLatency {
  int samples = 0;  // 0: not measured, and every figure below negative
  double medianMs = -1.0;
  double p90Ms = -1.0;
  double increaseMs = -1.0;  // the median over the idle round trip (never below 0)
  std::string grade;
  bool wholeLine = false;  // the samples came from the whole line's sessions
};

struct CLatency {
  double idleMs = -1.0;  // the shortest idle round trip; negative: not measured
  double jitterMs = -1.0;
  int idleSamples = 0;
  CLoadedLatency download;
  CLoadedLatency upload;
  std::string grade;  // the worse direction's; empty when neither was measured
  double rpm = -1.0;  // of both directions' samples, the best 95%; negative: none
  double uploadRetransmittedPct = -1.0;   // negative: not measured
  bool retransmittedOnWholeLine = false;  // counted on the whole line's uploads
};

// The figures of a run: `idleMs` its shortest round trip, `idle` the round trips timed one
// after another while idle, the loaded samples of each direction, and the upload's bytes
// sent and sent again (`sent` 0: not told).
CLatency SummariseLatency(double idleMs, const std::vector<double>& idle,
                          const std::vector<double>& download, const std::vector<double>& upload,
                          unsigned long long sent, unsigned long long retransmitted);
