// Whether to look for the home router at all: only beyond the loopback, and only where the
// system has a way to the local network's SSDP group; where it has none, a search would only
// have miniupnpc say so on standard error.
#include <cstring>

#include "ftp/socket_api.h"

namespace {

bool ReachesSsdpGroup(CSocketLayer& sockets) {
  const SocketHandle probe = sockets.NewDatagramSocket(AF_INET);
  if (probe == kNoSocket) return false;
  sockaddr_storage group{};
  sockaddr_in ssdp{};
  ssdp.sin_family = AF_INET;
  ssdp.sin_port = htons(1900);
  ::inet_pton(AF_INET, "239.255.255.250", &ssdp.sin_addr);
  std::memcpy(&group, &ssdp, sizeof ssdp);
  const bool reaches = sockets.Connect(probe, group) == 0;
  sockets.Close(probe);
  return reaches;
}

}  // namespace

std::unique_ptr<CHomeRouter> HomeRouterOf(CSocketLayer& sockets, const CNetworkLink& link) {
  if (link.loopback || link.name.empty() || !ReachesSsdpGroup(sockets)) return nullptr;
  return std::make_unique<CHomeRouter>(link.name);
}
