// Pure pieces of FTP command syntax (RFC 959, RFC 2428), kept apart to be tested alone.
#pragma once

#include "ftp/socket_api.h"

#include <string>

// The command line for `verb` and `argument`, CRLF included.
std::string CommandLine(const std::string& verb, const std::string& argument);

// False when the argument would break the command line: CR, LF or NUL.
bool IsSafeArgument(const std::string& argument);

// The argument of `PORT h1,h2,h3,h4,p1,p2` for an IPv4 address and port.
std::string PortArgument(const sockaddr_storage& address);

// The argument of `EPRT |2|address|port|` for an IPv6 address (or |1| for IPv4).
std::string EprtArgument(const sockaddr_storage& address);

// The directory of a 257 reply: the text between the first quote and its closing
// quote, with each doubled quote made single. False when there is no quoted name.
bool ParseDirectoryReply(const std::string& replyText, std::string* directory);
