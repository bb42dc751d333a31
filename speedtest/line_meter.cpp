#include "speedtest/line_meter.h"

#include "speedtest/latency.h"

#include <algorithm>
#include <cmath>

namespace {

double Kbit(unsigned long long bytes) {
  return static_cast<double>(bytes) * 8.0 / 1024.0;
}

double SliceRate(const CLineSlice& slice) {
  return Kbit(slice.bytes) / (slice.ms / 1000.0);
}

double MeanRate(const std::vector<CLineSlice>& slices, std::size_t from, std::size_t to) {
  double sum = 0.0;
  for (std::size_t i = from; i < to; ++i) sum += SliceRate(slices[i]);
  return sum / static_cast<double>(to - from);
}

}  // namespace

void CLineMeter::AddSlice(const CLineSlice& slice) {
  if (!(slice.ms > 0.0)) return;
  m_elapsedMs += slice.ms;
  if (slice.sessionLost) m_sessionLost = true;
  if (m_stages.empty() || m_stages.back().sessions != slice.sessions) {
    Stage stage;
    stage.sessions = slice.sessions;
    const double rampMs = m_rules.rampRoundTrips * std::max(0.0, m_rules.idleRttMs);
    stage.rampLeft = static_cast<std::size_t>(std::max(1.0, std::ceil(rampMs / m_rules.sliceMs)));
    // A stage seldom runs longer than it may before it gives way: its slices grow once.
    stage.slices.reserve(static_cast<std::size_t>(std::max(1, m_rules.maxStageSlices)));
    m_stages.push_back(std::move(stage));
  }
  Stage& stage = m_stages.back();
  stage.slices.push_back(slice);
  if (stage.windowFrom != kClosed) return;
  // The ramp-up counts from the slice after which every session had moved data: a log-in
  // and a new connection's slow start are no part of the line's rate.
  if (!stage.allMoving) {
    stage.allMoving = slice.sessions > 0 && slice.moving >= slice.sessions;
    return;
  }
  if (--stage.rampLeft == 0) stage.windowFrom = stage.slices.size();
}

double CLineMeter::StageRate(const Stage& stage, double* seconds) const {
  if (stage.windowFrom >= stage.slices.size()) return -1.0;
  // A settled stage's rate is that of the slices whose averages agreed: a slow start that
  // outlasted the ramp-up is no part of it.
  const std::size_t agreed = 2 * static_cast<std::size_t>(m_rules.averageSlices);
  const std::size_t from =
      stage.settled ? std::max(stage.windowFrom, stage.slices.size() - agreed) : stage.windowFrom;
  unsigned long long bytes = 0;
  double ms = 0.0;
  for (std::size_t i = from; i < stage.slices.size(); ++i) {
    bytes += stage.slices[i].bytes;
    ms += stage.slices[i].ms;
  }
  if (bytes == 0) return -1.0;
  if (seconds) *seconds = ms / 1000.0;
  return Kbit(bytes) / (ms / 1000.0);
}

bool CLineMeter::Settled(const Stage& stage) const {
  if (stage.windowFrom == kClosed) return false;
  const std::size_t n = stage.slices.size();
  const std::size_t window = static_cast<std::size_t>(m_rules.averageSlices);
  if (n < stage.windowFrom + 2 * window) return false;
  const double last = MeanRate(stage.slices, n - window, n);
  const double before = MeanRate(stage.slices, n - 2 * window, n - window);
  return before > 0.0 && std::fabs(last - before) <= m_rules.agreeShare * before;
}

double CLineMeter::MedianRtt(const Stage& stage) const {
  std::vector<double> rtts;
  for (std::size_t i = stage.windowFrom; i < stage.slices.size(); ++i) {
    if (stage.slices[i].loadedRttMs >= 0.0) rtts.push_back(stage.slices[i].loadedRttMs);
  }
  return Median(rtts);
}

bool CLineMeter::ShowsFull(const Stage& stage) const {
  if (stage.windowFrom == kClosed) return false;
  for (std::size_t i = stage.windowFrom; i < stage.slices.size(); ++i) {
    if (stage.slices[i].retransmitted > 0) return true;
  }
  // Without the idle round trip a rise cannot be told.
  const double rtt = MedianRtt(stage);
  if (rtt < 0.0 || m_rules.idleRttMs < 0.0) return false;
  const double rise = std::max(m_rules.fullRttRiseMs, m_rules.fullRttRiseShare * m_rules.idleRttMs);
  return rtt >= m_rules.idleRttMs + rise;
}

CLineMeter::Decision CLineMeter::Decide(bool canAdd) {
  if (m_stages.empty()) return Decision::kGoOn;
  const bool timeUp = m_elapsedMs >= m_rules.maxSeconds * 1000.0;
  Stage& stage = m_stages.back();
  stage.settled = Settled(stage);
  if (!stage.settled) {
    const bool longest = stage.slices.size() >= static_cast<std::size_t>(m_rules.maxStageSlices);
    if (!timeUp && !longest) return Decision::kGoOn;
    if (canAdd && !timeUp) return Decision::kAddSessions;
    // Out of time, or of sessions, while still settling: the rise may not have ended.
    m_lowerBound = true;
    return Decision::kStop;
  }
  const double rate = StageRate(stage, nullptr);
  // A stage that moved nothing says nothing of the line; more sessions would not either.
  if (rate < 0.0) return Decision::kStop;
  const Stage* best = nullptr;
  for (std::size_t i = 0; i + 1 < m_stages.size(); ++i) {
    const Stage& earlier = m_stages[i];
    if (earlier.settled && earlier.sessions < stage.sessions &&
        (!best || StageRate(earlier, nullptr) > StageRate(*best, nullptr))) {
      best = &earlier;
    }
  }
  const bool rising = !best || rate > StageRate(*best, nullptr) * (1.0 + m_rules.riseShare);
  if (!rising) {
    // More sessions no faster: the line is full only where it shows it, else something
    // else held them back (the server, the path, this computer). A queue alone proves
    // nothing: sessions that start each file anew fill it in bursts, idle between them.
    if (!ShowsFull(stage) && !ShowsFull(*best)) m_lowerBound = true;
    return Decision::kStop;
  }
  if (!canAdd || timeUp) {
    // No more sessions, or no more time, while still rising: the rise may not have ended.
    m_lowerBound = true;
    return Decision::kStop;
  }
  return Decision::kAddSessions;
}

CLineFigure CLineMeter::Figure() const {
  CLineFigure figure;
  figure.phaseSeconds = m_elapsedMs / 1000.0;
  // Settled stages first; a window that never settled is at most a lower bound.
  for (const bool settledOnly : {true, false}) {
    const Stage* best = nullptr;
    for (const Stage& stage : m_stages) {
      if (settledOnly && !stage.settled) continue;
      double seconds = 0.0;
      const double rate = StageRate(stage, &seconds);
      if (rate > figure.kbitPerSecond) {
        figure.kbitPerSecond = rate;
        figure.sessions = stage.sessions;
        figure.seconds = seconds;
        best = &stage;
      }
    }
    if (!best) continue;
    figure.loadedRttMs = MedianRtt(*best);
    // The fewest sessions that carried as much, within the rise that counts.
    figure.fillSessions = best->sessions;
    for (const Stage& stage : m_stages) {
      if (stage.settled && stage.sessions < figure.fillSessions &&
          StageRate(stage, nullptr) * (1.0 + m_rules.riseShare) >= figure.kbitPerSecond) {
        figure.fillSessions = stage.sessions;
      }
    }
    // A session lost or stalled held its stage back, unless the line was full all the same:
    // the others then took its share.
    figure.lowerBound = m_lowerBound || !settledOnly || (m_sessionLost && !ShowsFull(*best));
    return figure;
  }
  return figure;
}

bool TestFileMeasuredTheLine(double seconds, double idleRttMs) {
  if (idleRttMs < 0.0 || seconds < kFileSecondsThatTell) return false;
  return seconds * 1000.0 >= kFileRoundTripsThatTell * std::max(1.0, idleRttMs);
}

int CLineMeter::NextSessions(int running) const {
  return std::min(m_rules.maxSessions, std::max(m_rules.firstSessions, running * 2));
}
