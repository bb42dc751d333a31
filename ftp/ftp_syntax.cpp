#include "ftp/ftp_syntax.h"

#include "ftp/socket_address.h"

std::string CommandLine(const std::string& verb, const std::string& argument) {
  std::string line = verb;
  if (!argument.empty()) {
    line += ' ';
    line += argument;
  }
  line += "\r\n";
  return line;
}

bool IsSafeArgument(const std::string& argument) {
  return argument.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

std::string PortArgument(const sockaddr_storage& address) {
  const auto& ipv4 = reinterpret_cast<const sockaddr_in&>(address);
  const auto* octets = reinterpret_cast<const unsigned char*>(&ipv4.sin_addr);
  const unsigned port = AddressPort(address);
  std::string argument;
  for (int i = 0; i < 4; ++i) argument += std::to_string(octets[i]) + ",";
  argument += std::to_string(port >> 8) + "," + std::to_string(port & 0xff);
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
