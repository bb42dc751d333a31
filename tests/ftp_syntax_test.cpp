// The FTP client's own lines: data addresses as PORT and EPRT arguments, command lines and
// the arguments that may go into them, and the directory in a 257 reply.
#include "ftp/ftp_syntax.h"  // and the system's socket addresses

#include <gtest/gtest.h>

namespace {

sockaddr_storage Address(int family, const char* text, int port) {
  sockaddr_storage address{};
  if (family == AF_INET) {
    auto& ipv4 = reinterpret_cast<sockaddr_in&>(address);
    ipv4.sin_family = AF_INET;
    ipv4.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, text, &ipv4.sin_addr);
  } else {
    auto& ipv6 = reinterpret_cast<sockaddr_in6&>(address);
    ipv6.sin6_family = AF_INET6;
    ipv6.sin6_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET6, text, &ipv6.sin6_addr);
  }
  return address;
}

TEST(FtpSyntax, DataAddressArguments) {
  EXPECT_EQ(PortArgument(Address(AF_INET, "127.0.0.1", 50001)), "127,0,0,1,195,81");
  EXPECT_EQ(PortArgument(Address(AF_INET, "10.200.3.255", 256)), "10,200,3,255,1,0");
  EXPECT_EQ(EprtArgument(Address(AF_INET6, "::1", 40000)), "|2|::1|40000|");
  EXPECT_EQ(EprtArgument(Address(AF_INET6, "2001:db8::7", 65535)), "|2|2001:db8::7|65535|");
}

TEST(FtpSyntax, CommandLinesAndUnsafeArguments) {
  EXPECT_EQ(CommandLine("PWD", ""), "PWD\r\n");
  EXPECT_EQ(CommandLine("RETR", "200Ktest.rnd"), "RETR 200Ktest.rnd\r\n");
  EXPECT_TRUE(IsSafeArgument("/pub/upload/"));
  EXPECT_FALSE(IsSafeArgument("a\r\nDELE b"));
  EXPECT_FALSE(IsSafeArgument("a\nb"));
  EXPECT_FALSE(IsSafeArgument("a\rb"));
  EXPECT_FALSE(IsSafeArgument(std::string("a\0b", 3)));
}

TEST(FtpSyntax, DirectoryReplies) {
  std::string directory = "unchanged";
  EXPECT_TRUE(ParseDirectoryReply("257 \"/pub\" is current", &directory));
  EXPECT_EQ(directory, "/pub");
  EXPECT_TRUE(ParseDirectoryReply("257 \"/say \"\"hi\"\"\" created", &directory));
  EXPECT_EQ(directory, "/say \"hi\"");
  EXPECT_TRUE(ParseDirectoryReply("257 \"\"", &directory));
  EXPECT_EQ(directory, "");
  directory = "unchanged";
  EXPECT_FALSE(ParseDirectoryReply("257 no quotes", &directory));
  EXPECT_FALSE(ParseDirectoryReply("257 \"never closed", &directory));
  EXPECT_FALSE(ParseDirectoryReply("257 \"ends in doubled\"\"", &directory));
  EXPECT_EQ(directory, "unchanged");
}

}  // namespace
