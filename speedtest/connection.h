// The computer's own connection that carried a run, and the other traffic it carried
// meanwhile: what they let a figure measured over them say of the line. Pure: the run reads
// the counters and hands them here.
#pragma once

#include <string>

#include "kernel/network_link.h"

struct CConnection {
  CNetworkLink link;
  // This computer's other traffic while the run measured, in Mbit/s of a million bits of
  // payload: downstream during the downloads, upstream during the uploads; negative where
  // the interface's counters were not known.
  double otherDownloadMbit = -1.0;
  double otherUploadMbit = -1.0;
  // The household's traffic through the home router that was not the run's own, this
  // computer's other traffic included, over the same spans; negative where no router told.
  double householdDownloadMbit = -1.0;
  double householdUploadMbit = -1.0;
};

// Adds up the interface's traffic that was not the run's own over the spans the run measured
// in. Counters count whole frames: each packet's headers (`headerBytes`) are taken off, so
// that what is left compares with the payload the run counts.
class COtherTraffic {
 public:
  explicit COtherTraffic(int headerBytes) : m_headerBytes(headerBytes) {}

  // A span begins with the counters as they stand.
  void Begin(const CLinkCounters& now);
  // The span ends after `seconds`, in which the run moved `ownBytes` of payload in the
  // direction it measured.
  void End(const CLinkCounters& now, bool upload, unsigned long long ownBytes, double seconds);
  // The other traffic in the direction over its spans; negative where none was counted.
  double Mbit(bool upload) const;

 private:
  struct Sum {
    double bytes = 0.0;
    double seconds = 0.0;
  };
  int m_headerBytes;
  CLinkCounters m_begin;
  Sum m_download;
  Sum m_upload;
};

// A kind as the records name it ("cable", "wifi", ...), in Danish words; empty for none.
const char* LinkKindWords(const std::string& kindName);

// Whether the computer's own connection bounds a figure of `kbit` kbit/s (1 kbit = 1024
// bits): it was measured over Wi-Fi, or reached within 10% of the link's own speed.
bool ConnectionBounds(const CNetworkLink& link, double kbit);
// Whether other traffic of `otherMbit` disturbed a figure of `kbit`: it was above 5% of it.
bool OtherTrafficDisturbed(double otherMbit, double kbit);

// The result text's one note on the connection: where it bounds a
// direction's figure, why; else where other traffic (the household's where the router told
// it) disturbed one, how much. Empty when neither did. A figure is the direction's best: its whole
// line where measured.
std::string ConnectionText(const CConnection& connection, double downloadKbit, double uploadKbit);
