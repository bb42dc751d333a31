#include "ftp/socket_address.h"

#include <cstring>

namespace {

// The address as IPv6, so that IPv4 and IPv4-mapped addresses compare equal.
in6_addr AsIpv6(const sockaddr_storage& address) {
  in6_addr out{};
  if (address.ss_family == AF_INET6) {
    out = reinterpret_cast<const sockaddr_in6&>(address).sin6_addr;
  } else if (address.ss_family == AF_INET) {
    out.s6_addr[10] = 0xff;
    out.s6_addr[11] = 0xff;
    std::memcpy(&out.s6_addr[12], &reinterpret_cast<const sockaddr_in&>(address).sin_addr, 4);
  }
  return out;
}

}  // namespace

bool SameHost(const sockaddr_storage& a, const sockaddr_storage& b) {
  if (a.ss_family != AF_INET && a.ss_family != AF_INET6) return false;
  if (b.ss_family != AF_INET && b.ss_family != AF_INET6) return false;
  const in6_addr left = AsIpv6(a);
  const in6_addr right = AsIpv6(b);
  return std::memcmp(&left, &right, sizeof left) == 0;
}

std::string AddressText(const sockaddr_storage& address) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address.ss_family == AF_INET6) {
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(address).sin6_addr, text,
              sizeof text);
  } else {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(address).sin_addr, text, sizeof text);
  }
  return text;
}

INTERNET_PORT AddressPort(const sockaddr_storage& address) {
  if (address.ss_family == AF_INET6) {
    return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
  }
  return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
}
