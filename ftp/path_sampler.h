// The round trip of a timed transfer's data connection while it is loaded: the system's
// own estimate, looked at every kLookEveryMs and once at the end, so that the probe adds no
// traffic to the line and next to no work to the transfer. A system that tells nothing
// leaves the transfer unmeasured; a probe never stops a transfer.
#pragma once

#include <vector>

#include "kernel/clock.h"
#include "kernel/types.h"

class CInternetFile;

// What the probe saw of one transfer.
struct CPathSamples {
  std::vector<double> rttMs;         // empty: not measured
  unsigned long long bytesSent = 0;  // an upload's, retransmissions included; 0: not told
  unsigned long long bytesRetransmitted = 0;
};

class CPathSampler {
 public:
  static constexpr DWORD kLookEveryMs = 100;

  // Samples `file`'s connection: a sender's estimate when `sending`, else a receiver's; the
  // looks are counted on `clock`'s tick counter.
  CPathSampler(const CInternetFile& file, bool sending, CClock& clock);

  // A look at the tick counter's `tick`: a sample once kLookEveryMs have passed since the
  // last, nothing else.
  void Look(DWORD tick) {
    if (TickInterval(m_lastTick, tick) >= kLookEveryMs) Sample(tick);
  }
  // The last sample, with an upload's byte counts, at the transfer's end.
  CPathSamples Finish();

 private:
  void Sample(DWORD tick);

  const CInternetFile& m_file;
  CClock& m_clock;
  bool m_bSending;
  DWORD m_lastTick;
  CPathSamples m_samples;
};
