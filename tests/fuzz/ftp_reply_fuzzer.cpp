// Feeds arbitrary server bytes to the reply parser, split at a point the input chooses.
#include <cstddef>
#include <cstdint>

#include "ftp/ftp_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t split = data[0] % size;
  const char* bytes = reinterpret_cast<const char*>(data) + 1;
  const std::size_t length = size - 1;
  FtpReplyParser parser;
  FtpReply reply;
  parser.Append(bytes, split < length ? split : length);
  while (parser.Next(&reply) == FtpReplyParser::Status::kReply) {
    if (reply.code < 100 || reply.code > 599) __builtin_trap();
  }
  if (split < length) parser.Append(bytes + split, length - split);
  while (parser.Next(&reply) == FtpReplyParser::Status::kReply) {
    if (reply.code < 100 || reply.code > 599 || reply.text.size() > FtpReplyParser::kMaxReplyLength)
      __builtin_trap();
  }
  return 0;
}
