#include "speedtest/latency.h"

#include <algorithm>
#include <cmath>
#include <numeric>

double Quantile(std::vector<double> samples, double share) {
  if (samples.empty()) return -1.0;
  std::sort(samples.begin(), samples.end());
  const double rank = std::clamp(share, 0.0, 1.0) * static_cast<double>(samples.size() - 1);
  const std::size_t below = static_cast<std::size_t>(rank);
  const std::size_t above = std::min(below + 1, samples.size() - 1);
  return samples[below] + (samples[above] - samples[below]) * (rank - static_cast<double>(below));
}

double Median(const std::vector<double>& samples) {
  return Quantile(samples, 0.5);
}

double TrimmedMean(std::vector<double> samples, double keep) {
  if (samples.empty()) return -1.0;
  std::sort(samples.begin(), samples.end());
  const std::size_t kept = std::max<std::size_t>(
      1, static_cast<std::size_t>(std::floor(static_cast<double>(samples.size()) * keep)));
  return std::accumulate(samples.begin(), samples.begin() + static_cast<long>(kept), 0.0) /
         static_cast<double>(kept);
}

double Jitter(const std::vector<double>& samples) {
  if (samples.size() < 2) return -1.0;
  double sum = 0.0;
  for (std::size_t i = 1; i < samples.size(); ++i) sum += std::fabs(samples[i] - samples[i - 1]);
  return sum / static_cast<double>(samples.size() - 1);
}

namespace {

// Each grade up to the added latency it stays below; "F" beyond the last.
struct GradeBound {
  double belowMs;
  const char* grade;
};
constexpr GradeBound kGradeBounds[] = {
    {5.0, "A+"}, {30.0, "A"}, {60.0, "B"}, {200.0, "C"}, {400.0, "D"}};
constexpr char kWorstGrade[] = "F";

}  // namespace

const char* LatencyGrade(double increaseMs) {
  for (const GradeBound& bound : kGradeBounds) {
    if (increaseMs < bound.belowMs) return bound.grade;
  }
  return kWorstGrade;
}

bool IsLatencyGrade(const std::string& text) {
  for (const GradeBound& bound : kGradeBounds) {
    if (text == bound.grade) return true;
  }
  return text == kWorstGrade;
}

std::string WorseGrade(const std::string& a, const std::string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  // "A+" < "A" < "B" ... by the letter, then the plus.
  if (a[0] != b[0]) return a[0] > b[0] ? a : b;
  return a.size() <= b.size() ? a : b;
}

double RoundTripsPerMinute(double ms) {
  return ms > 0.0 ? 60000.0 / ms : -1.0;
}

const char* ResponsivenessWords(double rpm) {
  if (rpm < 300.0) return "Poor";
  if (rpm < 1000.0) return "Fair";
  if (rpm <= 6000.0) return "Good";
  return "Excellent";
}

namespace {

CLoadedLatency Loaded(const std::vector<double>& samples, double idleMs) {
  CLoadedLatency loaded;
  if (samples.empty()) return loaded;
  loaded.samples = static_cast<int>(samples.size());
  loaded.medianMs = Median(samples);
  loaded.p90Ms = Quantile(samples, 0.9);
  // The system's estimate may dip under the idle minimum; an increase is never negative.
  loaded.increaseMs = idleMs >= 0.0 ? std::max(0.0, loaded.medianMs - idleMs) : -1.0;
  if (loaded.increaseMs >= 0.0) loaded.grade = LatencyGrade(loaded.increaseMs);
  return loaded;
}

}  // namespace

CLatency SummariseLatency(double idleMs, const std::vector<double>& idle,
                          const std::vector<double>& download, const std::vector<double>& upload,
                          unsigned long long sent, unsigned long long retransmitted) {
  CLatency latency;
  latency.idleMs = idleMs;
  latency.idleSamples = static_cast<int>(idle.size());
  latency.jitterMs = Jitter(idle);
  latency.download = Loaded(download, idleMs);
  latency.upload = Loaded(upload, idleMs);
  latency.grade = WorseGrade(latency.download.grade, latency.upload.grade);
  std::vector<double> loaded = download;
  loaded.insert(loaded.end(), upload.begin(), upload.end());
  // The mean of the best 95% of the probes: the few that waited behind a loss and its
  // resending do not sway it.
  latency.rpm = RoundTripsPerMinute(TrimmedMean(loaded, 0.95));
  if (sent > 0) {
    latency.uploadRetransmittedPct =
        100.0 * static_cast<double>(retransmitted) / static_cast<double>(sent);
  }
  return latency;
}
