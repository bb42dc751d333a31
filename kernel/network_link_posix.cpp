#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "kernel/network_link.h"

namespace {

constexpr char kSysClassNet[] = "/sys/class/net";

// The first line of a file of the tree; empty when there is none.
std::string FirstLine(const std::string& path) {
  std::ifstream file(path);
  std::string line;
  std::getline(file, line);
  return line;
}

bool Exists(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0;
}

// A whole number the file holds; `fallback` when it holds none (a link that is down gives
// an error for its speed).
long long NumberIn(const std::string& path, long long fallback) {
  const std::string text = FirstLine(path);
  if (text.empty()) return fallback;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  return *end == '\0' ? value : fallback;
}

std::string DeviceType(const std::string& interfaceDir) {
  std::ifstream uevent(interfaceDir + "/uevent");
  std::string line;
  while (std::getline(uevent, line)) {
    if (line.rfind("DEVTYPE=", 0) == 0) return line.substr(8);
  }
  return std::string();
}

bool HoldsAddress(const ifaddrs& entry, const std::string& address) {
  if (!entry.ifa_addr) return false;
  char text[INET6_ADDRSTRLEN] = "";
  const int family = entry.ifa_addr->sa_family;
  if (family == AF_INET) {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(entry.ifa_addr)->sin_addr, text,
              sizeof text);
  } else if (family == AF_INET6) {
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(entry.ifa_addr)->sin6_addr, text,
              sizeof text);
  }
  return address == text || (family == AF_INET && address == "::ffff:" + std::string(text));
}

}  // namespace

CNetworkLink DescribeInterface(const std::string& name, const std::string& sysClassNet) {
  CNetworkLink link;
  const std::string dir = sysClassNet + "/" + name;
  if (name.empty() || name.find('/') != std::string::npos || !Exists(dir + "/type")) return link;
  link.name = name;
  const bool radio = Exists(dir + "/wireless") || Exists(dir + "/phy80211");
  const int hardwareType = static_cast<int>(NumberIn(dir + "/type", -1));
  link.kind = LinuxLinkKind(hardwareType, radio, DeviceType(dir));
  link.loopback = hardwareType == 772;  // ARPHRD_LOOPBACK
  if (link.kind == LinkKind::kCable) {
    const long long speed = NumberIn(dir + "/speed", -1);
    if (speed > 0) link.speedMbit = static_cast<double>(speed);
  }
  return link;
}

namespace {

CNetworkLink DescribeLiveInterface(const std::string& name) {
  CNetworkLink link = DescribeInterface(name, kSysClassNet);
  if (link.kind == LinkKind::kWifi) QueryWifiRadio(name, &link);
  return link;
}

}  // namespace

CLinkCounters ReadInterfaceCounters(const std::string& name, const std::string& sysClassNet) {
  CLinkCounters counters;
  if (name.empty() || name.find('/') != std::string::npos) return counters;
  const std::string dir = sysClassNet + "/" + name + "/statistics/";
  const long long values[] = {NumberIn(dir + "rx_bytes", -1), NumberIn(dir + "rx_packets", -1),
                              NumberIn(dir + "tx_bytes", -1), NumberIn(dir + "tx_packets", -1)};
  for (long long value : values) {
    if (value < 0) return counters;
  }
  counters.known = true;
  counters.receivedBytes = static_cast<unsigned long long>(values[0]);
  counters.receivedPackets = static_cast<unsigned long long>(values[1]);
  counters.sentBytes = static_cast<unsigned long long>(values[2]);
  counters.sentPackets = static_cast<unsigned long long>(values[3]);
  return counters;
}

CNetworkLink FindNetworkLink(const std::string& localAddress) {
  ifaddrs* all = nullptr;
  if (getifaddrs(&all) != 0) return CNetworkLink();
  std::string name;
  for (const ifaddrs* entry = all; entry; entry = entry->ifa_next) {
    if (HoldsAddress(*entry, localAddress)) {
      name = entry->ifa_name;
      break;
    }
  }
  freeifaddrs(all);
  return DescribeLiveInterface(name);
}

CLinkCounters ReadLinkCounters(const std::string& name) {
  return ReadInterfaceCounters(name, kSysClassNet);
}
