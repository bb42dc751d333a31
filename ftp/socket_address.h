// Socket addresses compared and written out, for the data connections' checks and commands.
#pragma once

#include <string>

#include "ftp/socket_api.h"
#include "kernel/types.h"

// True when both hold the same IP address (ports not compared); an IPv4-mapped IPv6
// address equals its IPv4 address.
bool SameHost(const sockaddr_storage& a, const sockaddr_storage& b);

// The numeric form of the address, and its port.
std::string AddressText(const sockaddr_storage& address);
INTERNET_PORT AddressPort(const sockaddr_storage& address);
