// The replies of a well-behaved FTP server, by what they answer: a command verb,
// "GREETING", or "RETR END" / "STOR END" for the reply after a transfer's data. Shared by
// the scripted server and the session fuzzer's server.
#pragma once

#include <functional>
#include <map>
#include <string>

// Looked up by any string type, so that the fuzzer's server finds a reply without a copy.
inline const std::map<std::string, std::string, std::less<>>& WellBehavedFtpReplies() {
  static const std::map<std::string, std::string, std::less<>> replies = {
      {"GREETING", "220 scripted server ready\r\n"},
      {"USER", "331 password please\r\n"},
      {"PASS", "230 logged in\r\n"},
      {"PWD", "257 \"/\" is the current directory\r\n"},
      {"CWD", "250 directory changed\r\n"},
      {"TYPE", "200 type set\r\n"},
      {"PORT", "200 PORT accepted\r\n"},
      {"EPRT", "200 EPRT accepted\r\n"},
      {"RETR", "150 opening data connection\r\n"},
      {"STOR", "150 ready to receive\r\n"},
      {"RETR END", "226 transfer complete\r\n"},
      {"STOR END", "226 transfer complete\r\n"},
      {"DELE", "250 file deleted\r\n"},
      {"NOOP", "200 NOOP ok\r\n"},
      {"QUIT", "221 goodbye\r\n"},
  };
  return replies;
}
