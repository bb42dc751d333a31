#include "ftp/ftp_reply.h"

#include <gtest/gtest.h>

namespace {

using Status = FtpReplyParser::Status;

struct Parsed {
  Status status;
  FtpReply reply;
};

Parsed ParseOne(const std::string& bytes) {
  FtpReplyParser parser;
  parser.Append(bytes.data(), bytes.size());
  Parsed parsed;
  parsed.status = parser.Next(&parsed.reply);
  return parsed;
}

TEST(FtpReplyParser, SingleLineReplies) {
  Parsed parsed = ParseOne("220 ready\r\n");
  ASSERT_EQ(parsed.status, Status::kReply);
  EXPECT_EQ(parsed.reply.code, 220);
  EXPECT_EQ(parsed.reply.text, "220 ready");
  EXPECT_TRUE(parsed.reply.IsCompletion());

  parsed = ParseOne("150\n");  // bare code, bare LF
  ASSERT_EQ(parsed.status, Status::kReply);
  EXPECT_EQ(parsed.reply.code, 150);
  EXPECT_TRUE(parsed.reply.IsPreliminary());
}

TEST(FtpReplyParser, MultiLineReplyEndsOnlyAtItsOwnCodeAndBlank) {
  const Parsed parsed = ParseOne(
      "230-Welcome\r\n"
      "230 logged in\r\n");
  ASSERT_EQ(parsed.status, Status::kReply);
  EXPECT_EQ(parsed.reply.text, "230-Welcome\n230 logged in");

  FtpReplyParser parser;
  const std::string bytes =
      "257-first\r\n"
      "  indented line\r\n"
      "250 another code does not end it\r\n"
      "257-still going\r\n"
      "257 done\r\n"
      "200 next\r\n";
  parser.Append(bytes.data(), bytes.size());
  FtpReply reply;
  ASSERT_EQ(parser.Next(&reply), Status::kReply);
  EXPECT_EQ(reply.code, 257);
  EXPECT_EQ(reply.text,
            "257-first\n  indented line\n250 another code does not end it\n257-still going\n"
            "257 done");
  ASSERT_EQ(parser.Next(&reply), Status::kReply);
  EXPECT_EQ(reply.code, 200);
  EXPECT_EQ(parser.Next(&reply), Status::kNeedMore);
}

TEST(FtpReplyParser, RepliesArrivingByteByByte) {
  const std::string bytes = "331-User\r\n331 ok, password\r\n230 in\r\n";
  FtpReplyParser parser;
  std::vector<int> codes;
  FtpReply reply;
  for (char c : bytes) {
    parser.Append(&c, 1);
    Status status;
    while ((status = parser.Next(&reply)) == Status::kReply) codes.push_back(reply.code);
    ASSERT_EQ(status, Status::kNeedMore);
  }
  EXPECT_EQ(codes, (std::vector<int>{331, 230}));
  EXPECT_FALSE(parser.HasPartialReply());
}

TEST(FtpReplyParser, MalformedFirstLinesAreProtocolFailures) {
  for (const char* bytes : {"hello\r\n", "22 short\r\n", "2200 four digits\r\n", "099 low\r\n",
                            "600 high\r\n", "220x\r\n", "\r\n", "abc def\r\n"}) {
    EXPECT_EQ(ParseOne(bytes).status, Status::kMalformed) << bytes;
  }
}

TEST(FtpReplyParser, NulBytesAreProtocolFailures) {
  EXPECT_EQ(ParseOne(std::string("220 a\0b\r\n", 9)).status, Status::kMalformed);
  EXPECT_EQ(ParseOne(std::string("220-a\r\nb\0\r\n220 c\r\n", 18)).status, Status::kMalformed);
}

TEST(FtpReplyParser, MalformedIsFinal) {
  FtpReplyParser parser;
  parser.Append("xyz\r\n", 5);
  FtpReply reply;
  EXPECT_EQ(parser.Next(&reply), Status::kMalformed);
  parser.Append("220 fine\r\n", 10);
  EXPECT_EQ(parser.Next(&reply), Status::kMalformed);
}

// Lines up to the bound, line end included, pass; one byte more fails, complete or not.
TEST(FtpReplyParser, LineLengthBoundSweep) {
  const std::size_t bound = FtpReplyParser::kMaxLineLength;
  for (std::size_t length = bound - 2; length <= bound + 2; ++length) {
    const std::string line = "200 " + std::string(length - 6, 'x') + "\r\n";
    ASSERT_EQ(line.size(), length);
    const Status expected = length <= bound ? Status::kReply : Status::kMalformed;
    EXPECT_EQ(ParseOne(line).status, expected) << length;
  }
  // An unfinished line beyond the bound fails without waiting for its end.
  EXPECT_EQ(ParseOne("200 " + std::string(bound, 'x')).status, Status::kMalformed);
  EXPECT_EQ(ParseOne("200 " + std::string(bound - 10, 'x')).status, Status::kNeedMore);
}

TEST(FtpReplyParser, EndlessMultiLineReplyIsBounded) {
  std::string bytes = "220-start\r\n";
  while (bytes.size() <= FtpReplyParser::kMaxReplyLength) bytes += "220-more of the same\r\n";
  EXPECT_EQ(ParseOne(bytes).status, Status::kMalformed);
}

}  // namespace
