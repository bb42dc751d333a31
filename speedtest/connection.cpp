#include "speedtest/connection.h"

#include <algorithm>

#include "speedtest/danish_number.h"
#include "speedtest/rate_conversion.h"

namespace {

constexpr double kBoundShare = 0.9;        // of the link's speed
constexpr double kDisturbingShare = 0.05;  // of the figure

}  // namespace

void COtherTraffic::Begin(const CLinkCounters& now) {
  m_begin = now;
}

void COtherTraffic::End(const CLinkCounters& now, bool upload, unsigned long long ownBytes,
                        double seconds) {
  if (!m_begin.known || !now.known || seconds <= 0.0) return;
  const unsigned long long before[] = {upload ? m_begin.sentBytes : m_begin.receivedBytes,
                                       upload ? m_begin.sentPackets : m_begin.receivedPackets};
  const unsigned long long after[] = {upload ? now.sentBytes : now.receivedBytes,
                                      upload ? now.sentPackets : now.receivedPackets};
  // Counters that went back (an interface that came up again) say nothing of the span.
  if (after[0] < before[0] || after[1] < before[1]) return;
  const double payload = static_cast<double>(after[0] - before[0]) -
                         static_cast<double>(after[1] - before[1]) * m_headerBytes;
  Sum& sum = upload ? m_upload : m_download;
  sum.bytes += payload > static_cast<double>(ownBytes) ? payload - ownBytes : 0.0;
  sum.seconds += seconds;
  m_begin.known = false;
}

double COtherTraffic::Mbit(bool upload) const {
  const Sum& sum = upload ? m_upload : m_download;
  return sum.seconds > 0.0 ? sum.bytes * 8.0 / 1e6 / sum.seconds : -1.0;
}

const char* LinkKindWords(const std::string& kindName) {
  static const struct {
    const char* kind;
    const char* words;
  } kKinds[] = {{"cable", "kabel"}, {"wifi", "Wi-Fi"},  {"mobile", "mobilt bredbånd"},
                {"tunnel", "VPN"},  {"other", "andet"}, {"unknown", "ukendt"}};
  for (const auto& kind : kKinds) {
    if (kindName == kind.kind) return kind.words;
  }
  return "";
}

bool ConnectionBounds(const CNetworkLink& link, double kbit) {
  if (kbit < 0.0) return false;
  if (link.kind == LinkKind::kWifi) return true;
  return link.speedMbit > 0.0 && MbitOfKbit(kbit) >= kBoundShare * link.speedMbit;
}

bool OtherTrafficDisturbed(double otherMbit, double kbit) {
  return otherMbit > 0.0 && kbit > 0.0 && otherMbit > kDisturbingShare * MbitOfKbit(kbit);
}

std::string ConnectionText(const CConnection& connection, double downloadKbit, double uploadKbit) {
  const CNetworkLink& link = connection.link;
  if (ConnectionBounds(link, downloadKbit) || ConnectionBounds(link, uploadKbit)) {
    if (link.kind == LinkKind::kWifi) return "Målt over Wi-Fi: linjen kan være hurtigere.";
    return "Netværkskortet kører " + DanishNumber(link.speedMbit, 0) +
           " Mbit/s: linjen kan være hurtigere.";
  }
  const double otherDown = std::max(connection.otherDownloadMbit, connection.householdDownloadMbit);
  const double otherUp = std::max(connection.otherUploadMbit, connection.householdUploadMbit);
  const bool down = OtherTrafficDisturbed(otherDown, downloadKbit);
  const bool up = OtherTrafficDisturbed(otherUp, uploadKbit);
  if (!down && !up) return std::string();
  std::string text = "Anden trafik under testen: ";
  if (down) text += DanishNumber(otherDown, 1) + " Mbit/s ned";
  if (down && up) text += ", ";
  if (up) text += DanishNumber(otherUp, 1) + " Mbit/s op";
  return text + ".";
}
