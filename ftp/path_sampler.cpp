#include "ftp/path_sampler.h"

#include "ftp/internet_file.h"

CPathSampler::CPathSampler(const CInternetFile& file, bool sending, CClock& clock)
    : m_file(file), m_clock(clock), m_bSending(sending), m_lastTick(clock.TickCount()) {}

void CPathSampler::Sample(DWORD tick) {
  m_lastTick = tick;
  socket_api::PathInfo info;
  if (!m_file.QueryPath(&info)) return;
  const double rtt = m_bSending ? info.sendRttMs : info.receiveRttMs;
  if (rtt > 0.0) m_samples.rttMs.push_back(rtt);
  if (m_bSending) {
    m_samples.bytesSent = info.bytesSent;
    m_samples.bytesRetransmitted = info.bytesRetransmitted;
  }
}

CPathSamples CPathSampler::Finish() {
  Sample(m_clock.TickCount());
  return std::move(m_samples);
}
