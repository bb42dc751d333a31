#include "ftp/ftp_syntax.h"

#include <cstdio>

#include "ftp/socket_address.h"

std::string CommandLine(const std::string& verb, const std::string& argument) {
  std::string line;
  line.reserve(verb.size() + 1 + argument.size() + 2);
  line += verb;
  if (!argument.empty()) {
    line += ' ';
    line += argument;
  }
  line += "\r\n";
  return line;
}

bool IsSafeArgument(const std::string& argument) {
  return argument.find_first_of("\r\n\0", 0, 3) == std::string::npos;
}

std::string PortArgument(const sockaddr_storage& address) {
  const auto& ipv4 = reinterpret_cast<const sockaddr_in&>(address);
  const auto* octets = reinterpret_cast<const unsigned char*>(&ipv4.sin_addr);
  const unsigned port = AddressPort(address);
  char argument[sizeof "255,255,255,255,255,255"];
  std::snprintf(argument, sizeof argument, "%u,%u,%u,%u,%u,%u", octets[0], octets[1], octets[2],
                octets[3], port >> 8, port & 0xff);
  return argument;
}

std::string EprtArgument(const sockaddr_storage& address) {
  const char* family = address.ss_family == AF_INET6 ? "2" : "1";
  return std::string("|") + family + "|" + AddressText(address) + "|" +
         std::to_string(AddressPort(address)) + "|";
}

bool ParseDirectoryReply(const std::string& replyText, std::string* directory) {
  std::size_t pos = replyText.find('"');
  if (pos == std::string::npos) return false;
  std::string name;
  for (++pos; pos < replyText.size(); ++pos) {
    if (replyText[pos] != '"') {
      name += replyText[pos];
    } else if (pos + 1 < replyText.size() && replyText[pos + 1] == '"') {
      name += '"';
      ++pos;
    } else {
      *directory = std::move(name);
      return true;
    }
  }
  return false;
}
