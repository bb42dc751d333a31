#include "kernel/network_link.h"

const char* LinkKindName(LinkKind kind) {
  switch (kind) {
    case LinkKind::kCable:
      return "cable";
    case LinkKind::kWifi:
      return "wifi";
    case LinkKind::kMobile:
      return "mobile";
    case LinkKind::kTunnel:
      return "tunnel";
    case LinkKind::kOther:
      return "other";
    case LinkKind::kUnknown:
      break;
  }
  return "unknown";
}

bool IsLinkKindName(const std::string& name) {
  for (LinkKind kind : {LinkKind::kUnknown, LinkKind::kCable, LinkKind::kWifi, LinkKind::kMobile,
                        LinkKind::kTunnel, LinkKind::kOther}) {
    if (name == LinkKindName(kind)) return true;
  }
  return false;
}

LinkKind LinuxLinkKind(int hardwareType, bool radio, const std::string& deviceType) {
  if (radio || deviceType == "wlan") return LinkKind::kWifi;
  if (deviceType == "wwan") return LinkKind::kMobile;
  switch (hardwareType) {
    case 1:  // ARPHRD_ETHER; a bridge, bond or VLAN may stand on anything, so not a cable
      return deviceType.empty() ? LinkKind::kCable : LinkKind::kOther;
    case 519:  // ARPHRD_RAWIP: a mobile modem's data link
      return LinkKind::kMobile;
    case 768:    // ARPHRD_TUNNEL (IPIP)
    case 769:    // ARPHRD_TUNNEL6
    case 776:    // ARPHRD_SIT
    case 778:    // ARPHRD_IPGRE
    case 823:    // ARPHRD_IP6GRE
    case 65534:  // ARPHRD_NONE: tun devices and WireGuard
      return LinkKind::kTunnel;
    case -1:
      return LinkKind::kUnknown;
    default:
      return LinkKind::kOther;
  }
}

LinkKind WindowsLinkKind(unsigned long ifType) {
  switch (ifType) {
    case 6:
      return LinkKind::kCable;  // IF_TYPE_ETHERNET_CSMACD
    case 71:
      return LinkKind::kWifi;  // IF_TYPE_IEEE80211
    case 243:                  // IF_TYPE_WWANPP
    case 244:
      return LinkKind::kMobile;  // IF_TYPE_WWANPP2
    case 131:
      return LinkKind::kTunnel;  // IF_TYPE_TUNNEL
    case 0:
      return LinkKind::kUnknown;
    default:
      return LinkKind::kOther;
  }
}

double WindowsSignalDbm(unsigned long quality) {
  return -100.0 + static_cast<double>(quality > 100 ? 100 : quality) / 2.0;
}

double WindowsLinkSpeedMbit(unsigned long long transmitBits, unsigned long long receiveBits) {
  constexpr unsigned long long kUnknown = ~0ULL;
  if (transmitBits == 0 || receiveBits == 0 || transmitBits == kUnknown ||
      receiveBits == kUnknown) {
    return -1.0;
  }
  return static_cast<double>(transmitBits < receiveBits ? transmitBits : receiveBits) / 1e6;
}
