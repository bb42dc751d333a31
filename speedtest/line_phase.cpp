#include "speedtest/line_phase.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <set>

#include "ftp/line_session.h"
#include "speedtest/run_constants.h"

namespace {

// How long the sessions of a phase that ended of itself get to delete their files and quit.
constexpr int kEndMs = 3000;

class LinePhase {
 public:
  LinePhase(const sockaddr_storage& server, bool upload, std::string folder, std::string file,
            std::size_t bytes, CProgressSink* sink, const CLineRules& rules)
      : m_upload(upload), m_file(std::move(file)), m_sink(sink), m_meter(rules) {
    m_plan.server = server;
    m_plan.user = kTestUser;
    m_plan.password = kTestPassword;
    m_plan.folder = std::move(folder);
    m_plan.upload = upload;
    m_plan.uploadBytes = bytes;
  }

  CLineDirection Run(int stopMs) {
    m_result.measured = true;
    const long long start = socket_api::NowMs();
    StartSessions(m_meter.Rules().firstSessions, start);
    long long sliceStart = start;
    unsigned long long counted = 0;
    for (;;) {
      const long long sliceEnd = sliceStart + static_cast<long long>(m_meter.Rules().sliceMs);
      PollUntil(sliceEnd);
      const long long now = socket_api::NowMs();
      // A session's count never falls, but a system that once could not tell what the server
      // acknowledged may make it seem to: such a slice moved nothing rather than wrapping round.
      const unsigned long long bytes = std::max(Bytes(), counted);
      m_meter.AddSlice(static_cast<double>(now - sliceStart), bytes - counted, Alive());
      counted = bytes;
      sliceStart = now;
      LookAtPath();
      const DWORD reported = static_cast<DWORD>(
          std::min<unsigned long long>(bytes, std::numeric_limits<DWORD>::max()));
      if (m_sink->ReportProgress(reported, (now - start) / 1000.0)) {
        m_result.stopped = true;
        break;
      }
      m_sink->PumpMessages();
      if (Alive() == 0) break;
      // Sessions lost are not made good beyond the cap: a server that drops them would
      // otherwise be sent new ones without end.
      const int more = std::min(m_meter.NextSessions(Alive()) - Alive(),
                                m_meter.Rules().maxSessions - m_result.sessionsStarted);
      const bool canAdd = more > 0 && m_result.sessionsRefused == 0;
      const CLineMeter::Decision decision = m_meter.Decide(canAdd);
      if (decision == CLineMeter::Decision::kStop) break;
      if (decision == CLineMeter::Decision::kAddSessions) StartSessions(more, now);
    }
    End(m_result.stopped ? stopMs : kEndMs);
    m_result.figure = m_meter.Figure();
    return m_result;
  }

 private:
  void StartSessions(int count, long long now) {
    for (int i = 0; i < count; ++i) {
      CLineSessionPlan plan = m_plan;
      plan.file = m_upload ? m_file + "-" + std::to_string(m_sessions.size() + 1) : m_file;
      m_sessions.push_back(std::make_unique<CLineSession>(std::move(plan), now));
      ++m_result.sessionsStarted;
    }
  }

  // Lets the sessions go on with whatever is ready until `until`: only those whose sockets
  // are ready, so that a wake-up for one costs no calls for the others; each session once
  // more at the end, for its time-outs.
  void PollUntil(long long until) {
    std::vector<socket_api::PollEntry> entries;
    std::vector<std::size_t> owners;
    for (long long now = socket_api::NowMs(); now < until; now = socket_api::NowMs()) {
      entries.clear();
      owners.clear();
      for (std::size_t i = 0; i < m_sessions.size(); ++i) {
        m_sessions[i]->Waits(&entries);
        owners.resize(entries.size(), i);
      }
      if (entries.empty()) {
        socket_api::Pause(static_cast<int>(until - now) * 1000);
        break;
      }
      if (socket_api::PollAny(entries, static_cast<int>(until - now)) <= 0) continue;
      const long long polled = socket_api::NowMs();
      // A session's sockets stand together: one with several ready goes on once.
      std::size_t advanced = m_sessions.size();
      for (std::size_t e = 0; e < entries.size(); ++e) {
        if (!entries[e].ready || owners[e] == advanced) continue;
        advanced = owners[e];
        m_sessions[advanced]->Advance(polled);
      }
    }
    for (const auto& session : m_sessions) session->Advance(socket_api::NowMs());
    Count();
  }

  // Notes the sessions lost since the last count.
  void Count() {
    for (const auto& session : m_sessions) {
      if (!session->Failed() || m_counted.count(session.get())) continue;
      m_counted.insert(session.get());
      ++m_result.sessionsFailed;
      if (session->Refused()) ++m_result.sessionsRefused;
      if (m_result.firstFailure.empty()) m_result.firstFailure = session->Failure();
    }
  }

  int Alive() const {
    return static_cast<int>(std::count_if(m_sessions.begin(), m_sessions.end(),
                                          [](const auto& session) { return !session->Done(); }));
  }

  unsigned long long Bytes() const {
    unsigned long long bytes = 0;
    for (const auto& session : m_sessions) bytes += session->Bytes();
    return bytes;
  }

  // The round trip of one loaded data connection, as the system estimates it: the sender's
  // for an upload, the receiver's for a download.
  void LookAtPath() {
    for (const auto& session : m_sessions) {
      socket_api::PathInfo info;
      const SocketHandle data = session->DataSocket();
      if (data == kNoSocket || !socket_api::QueryPathInfo(data, &info)) continue;
      const double rtt = m_upload ? info.sendRttMs : info.receiveRttMs;
      if (rtt > 0.0) m_result.loadedRttMs.push_back(rtt);
      return;
    }
  }

  void End(int withinMs) {
    const long long now = socket_api::NowMs();
    for (const auto& session : m_sessions) session->Stop(now);
    const long long until = now + withinMs;
    while (Alive() > 0 && socket_api::NowMs() < until) {
      PollUntil(std::min(until, socket_api::NowMs() + 100));
      m_sink->PumpMessages();
    }
    for (const auto& session : m_sessions) {
      if (session->LeftFile()) m_result.leftFiles.push_back(m_plan.folder + session->File());
      m_result.bytesSent += session->PathBytesSent();
      m_result.bytesRetransmitted += session->PathBytesRetransmitted();
    }
    m_sessions.clear();
  }

  bool m_upload;
  std::string m_file;
  CProgressSink* m_sink;
  CLineMeter m_meter;
  CLineSessionPlan m_plan;
  std::vector<std::unique_ptr<CLineSession>> m_sessions;
  std::set<const CLineSession*> m_counted;
  CLineDirection m_result;
};

}  // namespace

CLineDirection MeasureLineDirection(const sockaddr_storage& server, bool upload,
                                    const std::string& folder, const std::string& file,
                                    std::size_t bytes, CProgressSink* sink, const CLineRules& rules,
                                    int stopMs) {
  return LinePhase(server, upload, folder, file, bytes, sink, rules).Run(stopMs);
}
