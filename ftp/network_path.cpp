#include "ftp/network_path.h"

#include "ftp/socket_address.h"
#include "ftp/socket_api.h"

CNetworkLink CSocketLayer::NetworkLinkOf(const sockaddr_storage& local) {
  return FindNetworkLink(AddressText(local));
}

CLinkCounters CSocketLayer::NetworkLinkCounters(const std::string& name) {
  return ReadLinkCounters(name);
}

CNetworkLink LinkOf(const CEnvironment& env, const sockaddr_storage& local) {
  return env.sockets.NetworkLinkOf(local);
}

CLinkCounters LinkCounters(const CEnvironment& env, const std::string& name) {
  return env.sockets.NetworkLinkCounters(name);
}

std::unique_ptr<CHomeRouter> HomeRouterBeyond(const CEnvironment& env, const CNetworkLink& link) {
  return HomeRouterOf(env.sockets, link);
}

int PacketHeaderBytes(const sockaddr_storage& local, LinkKind kind) {
  const bool ipv6 = local.ss_family == AF_INET6 &&
                    !IN6_IS_ADDR_V4MAPPED(&reinterpret_cast<const sockaddr_in6&>(local).sin6_addr);
  const bool ethernet = kind == LinkKind::kCable || kind == LinkKind::kWifi;
  return (ipv6 ? 72 : 52) + (ethernet ? 14 : 0);
}
