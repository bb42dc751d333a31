#include "speedtest/line_phase.h"

#include <algorithm>
#include <limits>

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
  LinePhase(const CEnvironment& env, const sockaddr_storage& server, bool upload,
            std::string folder, std::string file, std::size_t bytes, CProgressSink* sink,
            const CLineRules& rules)
      : m_sink(sink),
        m_meter(rules),
        m_pool(env, Plan(server, upload, std::move(folder), bytes), std::move(file)) {}

  CLineDirection Run(int stopMs) {
    m_result.measured = true;
    const long long startUs = m_pool.NowUs();
    Start(m_meter.Rules().firstSessions);
    long long sliceStartUs = startUs;
    for (;;) {
      m_pool.RunUntil(sliceStartUs + static_cast<long long>(m_meter.Rules().sliceMs * 1000.0));
      const long long nowUs = m_pool.NowUs();
      const unsigned long long bytes = NextSlice(nowUs - sliceStartUs, nowUs);
      sliceStartUs = nowUs;
      const DWORD reported = static_cast<DWORD>(
          std::min<unsigned long long>(bytes, std::numeric_limits<DWORD>::max()));
      if (m_sink->ReportProgress(reported, (nowUs - startUs) / 1e6)) {
        m_result.stopped = true;
        break;
      }
      m_sink->PumpMessages();
      if (m_pool.Alive() == 0) break;
      // Sessions lost are not made good beyond the cap: a server that drops them would
      // otherwise be sent new ones without end.
      const int more = std::min(m_meter.NextSessions(m_pool.Alive()) - m_pool.Alive(),
                                m_meter.Rules().maxSessions - m_result.sessionsStarted);
      const bool canAdd = more > 0 && m_pool.Refused() == 0;
      const CLineMeter::Decision decision = m_meter.Decide(canAdd);
      if (decision == CLineMeter::Decision::kStop) break;
      if (decision == CLineMeter::Decision::kAddSessions) Start(more);
    }
    // Stopped, or every session lost: the phase ended before the line was judged.
    if (m_result.stopped || m_pool.Alive() == 0) m_meter.EndedUndecided();
    End(m_result.stopped ? stopMs : kEndMs);
    m_result.figure = m_meter.Figure();
    return m_result;
  }

 private:
  static CLineSessionPlan Plan(const sockaddr_storage& server, bool upload, std::string folder,
                               std::size_t bytes) {
    CLineSessionPlan plan;
    plan.server = server;
    plan.user = kTestUser;
    plan.password = kTestPassword;
    plan.folder = std::move(folder);
    plan.upload = upload;
    plan.uploadBytes = bytes;
    return plan;
  }

  void Start(int count) {
    m_pool.Start(count);
    m_watches.resize(m_pool.Started(), {0, m_pool.NowUs(), false});
    m_result.sessionsStarted += count;
  }

  // The slice that ended at `nowUs`, `us` long, for the meter; the bytes counted so far.
  unsigned long long NextSlice(long long us, long long nowUs) {
    CLineSlice slice;
    slice.ms = static_cast<double>(us) / 1000.0;
    // A session's count never falls, but a system that once could not tell what the server
    // acknowledged may make it seem to: such a slice moved nothing rather than wrapping round.
    const unsigned long long bytes = std::max(m_pool.Bytes(), m_counted);
    slice.bytes = bytes - m_counted;
    m_counted = bytes;
    slice.sessions = m_pool.Alive();
    NoteLosses();
    // A session the server refused never ran: its stage is whole without it.
    const int lost = m_pool.Lost() - m_pool.Refused();
    slice.sessionLost = lost > m_lostSeen || Stalled(nowUs);
    m_lostSeen = lost;
    slice.loadedRttMs = m_pool.LoadedRttMs();
    if (slice.loadedRttMs > 0.0) m_result.loadedRttMs.push_back(slice.loadedRttMs);
    slice.moving = m_pool.Moving();
    const unsigned long long retransmitted = m_pool.Retransmitted();
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
    for (std::size_t i = 0; i < m_watches.size(); ++i) {
      Watch& watch = m_watches[i];
      const unsigned long long moved = m_pool.Moved(i);
      if (moved != watch.moved || moved == 0) {
        watch.moved = moved;
        watch.sinceUs = nowUs;
      } else if (!m_pool.Ended(i) && !watch.told && nowUs - watch.sinceUs > stallUs) {
        watch.told = stalled = true;
      }
    }
    return stalled;
  }

  void End(int withinMs) {
    CLinePoolEnd end = m_pool.End(withinMs, [this] { m_sink->PumpMessages(); });
    m_result.leftFiles = std::move(end.leftFiles);
    m_result.bytesSent = end.bytesSent;
    m_result.bytesRetransmitted = end.bytesRetransmitted;
    m_result.bytesMoved = end.bytesMoved;
    m_result.countsHandedOver = end.countsHandedOver;
    NoteLosses();
  }

  void NoteLosses() {
    m_result.sessionsFailed = m_pool.Lost();
    m_result.sessionsRefused = m_pool.Refused();
    m_result.firstFailure = m_pool.FirstFailure();
  }

  CProgressSink* m_sink;
  CLineMeter m_meter;
  CLineSessionPool m_pool;
  // What the phase last saw a session move, to tell a stalled one.
  struct Watch {
    unsigned long long moved;
    long long sinceUs;
    bool told;
  };
  std::vector<Watch> m_watches;  // one a session
  unsigned long long m_counted = 0;
  unsigned long long m_retransmitted = 0;
  int m_lostSeen = 0;
  CLineDirection m_result;
};

}  // namespace

CLineDirection MeasureLineDirection(const CEnvironment& env, const sockaddr_storage& server,
                                    bool upload, const std::string& folder, const std::string& file,
                                    std::size_t bytes, CProgressSink* sink, const CLineRules& rules,
                                    int stopMs) {
  return LinePhase(env, server, upload, folder, file, bytes, sink, rules).Run(stopMs);
}
