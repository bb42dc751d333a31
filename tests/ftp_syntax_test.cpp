// The FTP client's own lines: data addresses as PORT and EPRT arguments, command lines and
// the arguments that may go into them, the directory in a 257 reply, and what the dialogue
// makes of the replies that no real server gives on demand.
#include "ftp/ftp_syntax.h"  // and the system's socket addresses
#include "ftp/ftp_dialogue.h"

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

FtpVerdict Hear(CFtpDialogue& dialogue, int code, std::string* next = nullptr) {
  std::string ignored;
  return dialogue.Hear(FtpReply{code, std::to_string(code)}, next ? next : &ignored);
}

TEST(FtpDialogue, DelaysLogInAndStoredFiles) {
  CFtpDialogue dialogue;
  std::string line;
  ASSERT_TRUE(dialogue.Begin(FtpStep::kGreeting, "", &line));
  EXPECT_EQ(line, "");
  for (int delay = 0; delay < 8; ++delay) EXPECT_EQ(Hear(dialogue, 120), FtpVerdict::kAwait);
  EXPECT_EQ(Hear(dialogue, 120), FtpVerdict::kRefused);  // a greeting put off for ever

  ASSERT_TRUE(dialogue.BeginLogIn("anonymous", "guest@", &line));
  EXPECT_EQ(line, "USER anonymous\r\n");
  std::string next;
  EXPECT_EQ(Hear(dialogue, 331, &next), FtpVerdict::kAwait);
  EXPECT_EQ(next, "PASS guest@\r\n");
  EXPECT_EQ(Hear(dialogue, 331), FtpVerdict::kRefused);  // asked for a password twice
  EXPECT_FALSE(dialogue.BeginLogIn("anonymous", "a\r\nDELE b", &line));
  EXPECT_EQ(Hear(dialogue, 230), FtpVerdict::kOutOfTurn);  // no step under way

  // The server makes the file before it connects: a 425 may leave one, only 5xx does not.
  ASSERT_TRUE(dialogue.Begin(FtpStep::kStore, "up.rnd", &line));
  EXPECT_TRUE(dialogue.MayHaveStored());
  EXPECT_EQ(Hear(dialogue, 553), FtpVerdict::kRefused);
  EXPECT_FALSE(dialogue.MayHaveStored());
  ASSERT_TRUE(dialogue.Begin(FtpStep::kStore, "up.rnd", &line));
  EXPECT_EQ(Hear(dialogue, 425), FtpVerdict::kRefused);
  EXPECT_TRUE(dialogue.MayHaveStored());
  ASSERT_TRUE(dialogue.Begin(FtpStep::kDelete, "up.rnd", &line));
  EXPECT_EQ(Hear(dialogue, 550), FtpVerdict::kRefused);
  EXPECT_TRUE(dialogue.MayHaveStored());
  ASSERT_TRUE(dialogue.Begin(FtpStep::kDelete, "up.rnd", &line));
  EXPECT_FALSE(dialogue.Closing());
  EXPECT_EQ(Hear(dialogue, 421), FtpVerdict::kRefused);
  EXPECT_TRUE(dialogue.Closing());
  EXPECT_TRUE(dialogue.MayHaveStored());

  ASSERT_TRUE(dialogue.Begin(FtpStep::kRetrieve, "200Ktest.rnd", &line));
  EXPECT_EQ(Hear(dialogue, 150), FtpVerdict::kUnderWay);
  EXPECT_EQ(Hear(dialogue, 226), FtpVerdict::kAccepted);
  ASSERT_TRUE(dialogue.Begin(FtpStep::kNoop, "", &line));
  EXPECT_EQ(Hear(dialogue, 150), FtpVerdict::kOutOfTurn);
  EXPECT_EQ(dialogue.BeginOfferData(Address(AF_INET6, "::1", 40000)), "EPRT |2|::1|40000|\r\n");
  EXPECT_EQ(Hear(dialogue, 350), FtpVerdict::kOutOfTurn);
  EXPECT_STREQ(dialogue.Verb(), "EPRT");
}

}  // namespace
