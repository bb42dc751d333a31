// The computer's own network connection: the interface that holds an address, its kind and
// speed, and its byte counters. What the system does not tell stays unknown; nothing here
// guesses.
#pragma once

#include <string>

enum class LinkKind { kUnknown, kCable, kWifi, kMobile, kTunnel, kOther };

// "cable", "wifi", "mobile", "tunnel", "other" or "unknown", as records name the kind.
const char* LinkKindName(LinkKind kind);
// Whether `name` is one of those names.
bool IsLinkKindName(const std::string& name);

struct CNetworkLink {
  std::string name;  // the interface; empty when none was found
  LinkKind kind = LinkKind::kUnknown;
  // Its own speed in Mbit/s of a million bits: a cable's negotiated speed, a Wi-Fi radio's
  // transmit rate at the moment it was asked; negative where unknown.
  double speedMbit = -1.0;
  // A Wi-Fi link's signal in dBm (always below 0); 0 where unknown or not a radio.
  double signalDbm = 0.0;
  // The computer's own loopback: it carries no line, and its counters count each packet as
  // sent and received, so they say nothing of other traffic.
  bool loopback = false;
};

// The interface's byte and packet counters since it came up, each way.
struct CLinkCounters {
  bool known = false;
  unsigned long long receivedBytes = 0;
  unsigned long long receivedPackets = 0;
  unsigned long long sentBytes = 0;
  unsigned long long sentPackets = 0;
};

// The interface that holds `localAddress` (numeric, IPv4 or IPv6), with its kind and speed.
CNetworkLink FindNetworkLink(const std::string& localAddress);
// The counters of the interface `name`; not known where the system tells none.
CLinkCounters ReadLinkCounters(const std::string& name);

// The kind of a Linux interface: its ARPHRD type, whether it is a radio (a `wireless` or
// `phy80211` entry) and its uevent's DEVTYPE.
LinkKind LinuxLinkKind(int hardwareType, bool radio, const std::string& deviceType);
// The kind of a Windows adapter of interface type `ifType` (IANA ifType, as IP_ADAPTER_ADDRESSES
// gives it).
LinkKind WindowsLinkKind(unsigned long ifType);
// The signal in dBm of a Windows WLAN connection's signal quality (0 to 100), as the WLAN
// API defines it: 0 is -100 dBm, 100 is -50 dBm, linear between.
double WindowsSignalDbm(unsigned long quality);
// A Windows adapter's speed in Mbit/s from its transmit and receive speeds in bit/s; negative
// where either is unknown (0 or all bits set).
double WindowsLinkSpeedMbit(unsigned long long transmitBits, unsigned long long receiveBits);

#ifndef _WIN32
// The interface `name` as the tree `sysClassNet` describes it (/sys/class/net on a running
// system; a tree of the same form in tests).
CNetworkLink DescribeInterface(const std::string& name, const std::string& sysClassNet);
CLinkCounters ReadInterfaceCounters(const std::string& name, const std::string& sysClassNet);
// A Wi-Fi interface's current transmit rate and signal, asked of nl80211; unknown where the
// system tells nothing (no radio, not associated, no nl80211).
void QueryWifiRadio(const std::string& name, CNetworkLink* link);
// The same from a station's NL80211_ATTR_STA_INFO attribute (a `struct nlattr*`).
void ReadStationInfo(const void* stationInfo, CNetworkLink* link);
#endif
