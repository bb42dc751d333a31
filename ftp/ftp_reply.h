// FTP control-connection replies (RFC 959, section 4.2): bytes in, replies out.
// Pure: no sockets, so it is tested and fuzzed on its own.
#pragma once

#include <cstddef>
#include <string>

struct FtpReply {
  int code = 0;      // three digits, 100 to 599
  std::string text;  // every line of the reply without its line end, joined by '\n'

  bool IsPreliminary() const { return code / 100 == 1; }
  bool IsCompletion() const { return code / 100 == 2; }
  bool IsIntermediate() const { return code / 100 == 3; }
};

class FtpReplyParser {
 public:
  // A line longer than this, line end included, is a protocol failure.
  static constexpr std::size_t kMaxLineLength = 8192;
  // A reply of more bytes than this, all its lines together, is a protocol failure.
  static constexpr std::size_t kMaxReplyLength = 65536;

  enum class Status { kNeedMore, kReply, kMalformed };

  // Takes bytes as they arrive from the server.
  void Append(const char* data, std::size_t size);

  // Takes the next whole reply out of what has arrived. kNeedMore: wait for more bytes.
  // kMalformed is final: the stream cannot be trusted from there on.
  Status Next(FtpReply* reply);

  // True while bytes of an unfinished reply are waiting.
  bool HasPartialReply() const { return !m_buffer.empty(); }

 private:
  // Fills `reply` from the first `length` bytes, a whole reply's lines, and takes them out.
  Status TakeReply(std::size_t length, FtpReply* reply);

  std::string m_buffer;
  bool m_malformed = false;
};
