#include "ftp/line_session_pool.h"

#include <algorithm>

#include "kernel/clock.h"

CLineSessionPool::CLineSessionPool(const CEnvironment& env, CLineSessionPlan plan, std::string file)
    : m_env(env), m_plan(std::move(plan)), m_file(std::move(file)) {}

long long CLineSessionPool::NowUs() const {
  return m_env.clock.NowUs();
}

void CLineSessionPool::Start(int count) {
  for (int i = 0; i < count; ++i) {
    CLineSessionPlan plan = m_plan;
    plan.file = m_plan.upload ? m_file + "-" + std::to_string(m_sessions.size() + 1) : m_file;
    m_sessions.push_back(
        std::make_unique<CLineSession>(m_env, std::move(plan), m_env.clock.NowMs()));
  }
}

// Only the sessions whose sockets are ready go on, so that a wake-up for one costs no calls
// for the others. Microseconds: a slice of Windows' tick counter could be off by one of its
// 15.6 ms steps.
void CLineSessionPool::RunUntil(long long untilUs) {
  std::vector<socket_api::PollEntry>& entries = m_waits;
  std::vector<std::size_t>& owners = m_waitOwners;
  for (long long nowUs = m_env.clock.NowUs(); nowUs < untilUs; nowUs = m_env.clock.NowUs()) {
    const int waitMs = static_cast<int>((untilUs - nowUs + 999) / 1000);
    entries.clear();
    owners.clear();
    for (std::size_t i = 0; i < m_sessions.size(); ++i) {
      m_sessions[i]->Waits(&entries);
      owners.resize(entries.size(), i);
    }
    if (entries.empty()) {
      m_env.clock.Pause(static_cast<int>(untilUs - nowUs));
      break;
    }
    if (m_env.sockets.PollAny(entries, waitMs) <= 0) continue;
    const long long polled = m_env.clock.NowMs();
    // A session's sockets stand together: one with several ready goes on once.
    std::size_t advanced = m_sessions.size();
    for (std::size_t e = 0; e < entries.size(); ++e) {
      if (!entries[e].ready || owners[e] == advanced) continue;
      advanced = owners[e];
      m_sessions[advanced]->Advance(polled);
    }
  }
  for (const auto& session : m_sessions) session->Advance(m_env.clock.NowMs());
  NoteLost();
}

void CLineSessionPool::NoteLost() {
  for (const auto& session : m_sessions) {
    if (!session->Failed() || m_countedLost.count(session.get())) continue;
    m_countedLost.insert(session.get());
    ++m_lost;
    if (session->Refused()) ++m_refused;
    if (m_firstFailure.empty()) m_firstFailure = session->Failure();
  }
}

int CLineSessionPool::Alive() const {
  return static_cast<int>(std::count_if(m_sessions.begin(), m_sessions.end(),
                                        [](const auto& session) { return !session->Done(); }));
}

int CLineSessionPool::Moving() const {
  return static_cast<int>(
      std::count_if(m_sessions.begin(), m_sessions.end(),
                    [](const auto& session) { return !session->Done() && session->Moved() > 0; }));
}

unsigned long long CLineSessionPool::Bytes() const {
  unsigned long long bytes = 0;
  for (const auto& session : m_sessions) bytes += session->Bytes();
  return bytes;
}

unsigned long long CLineSessionPool::Retransmitted() const {
  unsigned long long bytes = 0;
  for (const auto& session : m_sessions) bytes += session->Retransmitted();
  return bytes;
}

double CLineSessionPool::LoadedRttMs() const {
  for (const auto& session : m_sessions) {
    socket_api::PathInfo info;
    const SocketHandle data = session->DataSocket();
    if (data == kNoSocket || !m_env.sockets.QueryPathInfo(data, &info)) continue;
    const double rtt = m_plan.upload ? info.sendRttMs : info.receiveRttMs;
    return rtt > 0.0 ? rtt : -1.0;
  }
  return -1.0;
}

CLinePoolEnd CLineSessionPool::End(int withinMs, const std::function<void()>& between) {
  const long long now = m_env.clock.NowMs();
  for (const auto& session : m_sessions) session->Stop(now);
  const long long untilUs = m_env.clock.NowUs() + withinMs * 1000LL;
  while (Alive() > 0 && m_env.clock.NowUs() < untilUs) {
    RunUntil(std::min(untilUs, m_env.clock.NowUs() + 100000));
    between();
  }
  CLinePoolEnd end;
  for (const auto& session : m_sessions) {
    if (session->LeftFile()) end.leftFiles.push_back(m_plan.folder + session->File());
    end.bytesSent += session->PathBytesSent();
    end.bytesRetransmitted += session->PathBytesRetransmitted();
    end.bytesMoved += session->Moved();
    end.countsHandedOver = end.countsHandedOver || session->CountsHandedOver();
  }
  m_sessions.clear();
  return end;
}
