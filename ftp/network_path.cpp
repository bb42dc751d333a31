#include "ftp/network_path.h"

CNetworkLink LinkOf(const sockaddr_storage& local) {
  return socket_api::NetworkLinkOf(local);
}

CLinkCounters LinkCounters(const std::string& name) {
  return socket_api::NetworkLinkCounters(name);
}

std::unique_ptr<CHomeRouter> HomeRouterBeyond(const CNetworkLink& link) {
  return socket_api::HomeRouterOf(link);
}

int PacketHeaderBytes(const sockaddr_storage& local, LinkKind kind) {
  const bool ipv6 = local.ss_family == AF_INET6 &&
                    !IN6_IS_ADDR_V4MAPPED(&reinterpret_cast<const sockaddr_in6&>(local).sin6_addr);
  const bool ethernet = kind == LinkKind::kCable || kind == LinkKind::kWifi;
  return (ipv6 ? 72 : 52) + (ethernet ? 14 : 0);
}

long long NetworkNowUs() {
  return socket_api::NowUs();
}

long long NetworkNowMs() {
  return socket_api::NowMs();
}
