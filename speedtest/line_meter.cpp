#include "speedtest/line_meter.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

double Kbit(unsigned long long bytes) {
  return static_cast<double>(bytes) * 8.0 / 1024.0;
}

double Mean(const std::vector<double>& values, std::size_t from, std::size_t to) {
  return std::accumulate(values.begin() + static_cast<long>(from),
                         values.begin() + static_cast<long>(to), 0.0) /
         static_cast<double>(to - from);
}

}  // namespace

void CLineMeter::AddSlice(double ms, unsigned long long bytes, int sessions) {
  if (!(ms > 0.0)) return;
  m_elapsedMs += ms;
  if (m_stages.empty() || m_stages.back().sessions != sessions) {
    m_stages.push_back(Stage{sessions, {}, {}, {}});
  }
  Stage& stage = m_stages.back();
  stage.kbitPerSecond.push_back(Kbit(bytes) / (ms / 1000.0));
  stage.ms.push_back(ms);
  stage.bytes.push_back(bytes);
}

double CLineMeter::StageRate(const Stage& stage, double* seconds) const {
  const std::size_t ramp = static_cast<std::size_t>(m_rules.rampSlices);
  if (stage.bytes.size() <= ramp) return -1.0;
  const unsigned long long bytes =
      std::accumulate(stage.bytes.begin() + static_cast<long>(ramp), stage.bytes.end(), 0ULL);
  const double ms =
      std::accumulate(stage.ms.begin() + static_cast<long>(ramp), stage.ms.end(), 0.0);
  if (seconds) *seconds = ms / 1000.0;
  return Kbit(bytes) / (ms / 1000.0);
}

bool CLineMeter::Settled(const Stage& stage) const {
  const std::size_t n = stage.kbitPerSecond.size();
  const std::size_t window = static_cast<std::size_t>(m_rules.averageSlices);
  if (n >= static_cast<std::size_t>(m_rules.maxStageSlices)) return true;
  if (n < static_cast<std::size_t>(m_rules.rampSlices) + 2 * window) return false;
  const double last = Mean(stage.kbitPerSecond, n - window, n);
  const double before = Mean(stage.kbitPerSecond, n - 2 * window, n - window);
  return std::fabs(last - before) <= m_rules.agreeShare * before;
}

CLineMeter::Decision CLineMeter::Decide(bool canAdd) {
  if (m_stages.empty()) return Decision::kGoOn;
  const bool timeUp = m_elapsedMs >= m_rules.maxSeconds * 1000.0;
  const Stage& stage = m_stages.back();
  if (!Settled(stage)) {
    // Out of time while still settling: the rise may not have ended.
    if (timeUp) m_lowerBound = true;
    return timeUp ? Decision::kStop : Decision::kGoOn;
  }
  const double rate = StageRate(stage, nullptr);
  double best = -1.0;
  for (std::size_t i = 0; i + 1 < m_stages.size(); ++i) {
    if (m_stages[i].sessions < stage.sessions)
      best = std::max(best, StageRate(m_stages[i], nullptr));
  }
  const bool rising = best < 0.0 || rate > best * (1.0 + m_rules.riseShare);
  if (!rising) {
    m_lowerBound = false;
    return Decision::kStop;
  }
  if (!canAdd || timeUp) {
    m_lowerBound = true;
    return Decision::kStop;
  }
  return Decision::kAddSessions;
}

CLineFigure CLineMeter::Figure() const {
  CLineFigure figure;
  figure.phaseSeconds = m_elapsedMs / 1000.0;
  figure.lowerBound = m_lowerBound;
  for (const Stage& stage : m_stages) {
    double seconds = 0.0;
    const double rate = StageRate(stage, &seconds);
    if (rate > figure.kbitPerSecond) {
      figure.kbitPerSecond = rate;
      figure.sessions = stage.sessions;
      figure.seconds = seconds;
    }
  }
  return figure;
}

int CLineMeter::NextSessions(int running) const {
  return std::min(m_rules.maxSessions, std::max(m_rules.firstSessions, running * 2));
}
