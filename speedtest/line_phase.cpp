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
// A session that moved nothing for this long, or this many idle round trips if longer, is
// stalled: a new file costs a few round trips, a stall many.
constexpr double kStallMs = 1000.0;
constexpr double kStallRoundTrips = 8.0;

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
    const long long startUs = socket_api::NowUs();
    StartSessions(m_meter.Rules().firstSessions);
    long long sliceStartUs = startUs;
    for (;;) {
      PollUntil(sliceStartUs + static_cast<long long>(m_meter.Rules().sliceMs * 1000.0));
      const long long nowUs = socket_api::NowUs();
      const unsigned long long bytes = NextSlice(nowUs - sliceStartUs, nowUs);
      sliceStartUs = nowUs;
      const DWORD reported = static_cast<DWORD>(
          std::min<unsigned long long>(bytes, std::numeric_limits<DWORD>::max()));
      if (m_sink->ReportProgress(reported, (nowUs - startUs) / 1e6)) {
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
      if (decision == CLineMeter::Decision::kAddSessions) StartSessions(more);
    }
    // Stopped, or every session lost: the phase ended before the line was judged.
    if (m_result.stopped || Alive() == 0) m_meter.EndedUndecided();
    End(m_result.stopped ? stopMs : kEndMs);
    m_result.figure = m_meter.Figure();
    return m_result;
  }

 private:
  void StartSessions(int count) {
    const long long nowUs = socket_api::NowUs();
    for (int i = 0; i < count; ++i) {
      CLineSessionPlan plan = m_plan;
      plan.file = m_upload ? m_file + "-" + std::to_string(m_sessions.size() + 1) : m_file;
      m_sessions.push_back(std::make_unique<CLineSession>(std::move(plan), socket_api::NowMs()));
      m_watches.push_back({0, nowUs, false});
      ++m_result.sessionsStarted;
    }
  }

  // The slice that ended at `nowUs`, `us` long, for the meter; the bytes counted so far.
  unsigned long long NextSlice(long long us, long long nowUs) {
    CLineSlice slice;
    slice.ms = static_cast<double>(us) / 1000.0;
    // A session's count never falls, but a system that once could not tell what the server
    // acknowledged may make it seem to: such a slice moved nothing rather than wrapping round.
    const unsigned long long bytes = std::max(Bytes(), m_counted);
    slice.bytes = bytes - m_counted;
    m_counted = bytes;
    slice.sessions = Alive();
    // A session the server refused never ran: its stage is whole without it.
    const int lost = m_result.sessionsFailed - m_result.sessionsRefused;
    slice.sessionLost = lost > m_lostSeen || Stalled(nowUs);
    m_lostSeen = lost;
    slice.loadedRttMs = LookAtPath();
    unsigned long long retransmitted = 0;
    for (const auto& session : m_sessions) {
      if (!session->Done() && session->Moved() > 0) ++slice.moving;
      retransmitted += session->Retransmitted();
    }
    slice.retransmitted = retransmitted - std::min(retransmitted, m_retransmitted);
    m_retransmitted = std::max(retransmitted, m_retransmitted);
    m_meter.AddSlice(slice);
    return bytes;
  }

  // Whether a session that had moved data moved nothing for long: it holds its stage back
  // as a lost one would. Each is told once.
  bool Stalled(long long nowUs) {
    const long long stallUs =
        std::max(kStallMs, kStallRoundTrips * m_meter.Rules().idleRttMs) * 1000.0;
    bool stalled = false;
    for (std::size_t i = 0; i < m_sessions.size(); ++i) {
      Watch& watch = m_watches[i];
      const unsigned long long moved = m_sessions[i]->Moved();
      if (moved != watch.moved || moved == 0) {
        watch.moved = moved;
        watch.sinceUs = nowUs;
      } else if (!m_sessions[i]->Done() && !watch.told && nowUs - watch.sinceUs > stallUs) {
        watch.told = stalled = true;
      }
    }
    return stalled;
  }

  // Lets the sessions go on with whatever is ready until `untilUs`: only those whose sockets
  // are ready, so that a wake-up for one costs no calls for the others; each session once
  // more at the end, for its time-outs. Microseconds: a slice of Windows' tick counter
  // could be off by one of its 15.6 ms steps.
  void PollUntil(long long untilUs) {
    std::vector<socket_api::PollEntry> entries;
    std::vector<std::size_t> owners;
    for (long long nowUs = socket_api::NowUs(); nowUs < untilUs; nowUs = socket_api::NowUs()) {
      const int waitMs = static_cast<int>((untilUs - nowUs + 999) / 1000);
      entries.clear();
      owners.clear();
      for (std::size_t i = 0; i < m_sessions.size(); ++i) {
        m_sessions[i]->Waits(&entries);
        owners.resize(entries.size(), i);
      }
      if (entries.empty()) {
        socket_api::Pause(static_cast<int>(untilUs - nowUs));
        break;
      }
      if (socket_api::PollAny(entries, waitMs) <= 0) continue;
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
      if (!session->Failed() || m_countedLost.count(session.get())) continue;
      m_countedLost.insert(session.get());
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
  // for an upload, the receiver's for a download; negative where none tells.
  double LookAtPath() {
    for (const auto& session : m_sessions) {
      socket_api::PathInfo info;
      const SocketHandle data = session->DataSocket();
      if (data == kNoSocket || !socket_api::QueryPathInfo(data, &info)) continue;
      const double rtt = m_upload ? info.sendRttMs : info.receiveRttMs;
      if (rtt > 0.0) m_result.loadedRttMs.push_back(rtt);
      return rtt > 0.0 ? rtt : -1.0;
    }
    return -1.0;
  }

  void End(int withinMs) {
    const long long now = socket_api::NowMs();
    for (const auto& session : m_sessions) session->Stop(now);
    const long long untilUs = socket_api::NowUs() + withinMs * 1000LL;
    while (Alive() > 0 && socket_api::NowUs() < untilUs) {
      PollUntil(std::min(untilUs, socket_api::NowUs() + 100000));
      m_sink->PumpMessages();
    }
    for (const auto& session : m_sessions) {
      if (session->LeftFile()) m_result.leftFiles.push_back(m_plan.folder + session->File());
      m_result.bytesSent += session->PathBytesSent();
      m_result.bytesRetransmitted += session->PathBytesRetransmitted();
      m_result.bytesMoved += session->Moved();
      m_result.countsHandedOver = m_result.countsHandedOver || session->CountsHandedOver();
    }
    m_sessions.clear();
    m_watches.clear();
  }

  bool m_upload;
  std::string m_file;
  CProgressSink* m_sink;
  CLineMeter m_meter;
  CLineSessionPlan m_plan;
  // What the phase last saw a session move, to tell a stalled one.
  struct Watch {
    unsigned long long moved;
    long long sinceUs;
    bool told;
  };
  std::vector<std::unique_ptr<CLineSession>> m_sessions;
  std::vector<Watch> m_watches;  // one a session
  std::set<const CLineSession*> m_countedLost;
  unsigned long long m_counted = 0;
  unsigned long long m_retransmitted = 0;
  int m_lostSeen = 0;
  CLineDirection m_result;
};

}  // namespace

CLineDirection MeasureLineDirection(const sockaddr_storage& server, bool upload,
                                    const std::string& folder, const std::string& file,
                                    std::size_t bytes, CProgressSink* sink, const CLineRules& rules,
                                    int stopMs) {
  return LinePhase(server, upload, folder, file, bytes, sink, rules).Run(stopMs);
}
