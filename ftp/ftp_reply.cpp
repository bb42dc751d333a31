#include "ftp/ftp_reply.h"

#include <string_view>

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// "xyz" with x from 1 to 5, as RFC 959 allows for reply codes.
bool HasReplyCode(std::string_view line) {
  return line.size() >= 3 && line[0] >= '1' && line[0] <= '5' && IsDigit(line[1]) &&
         IsDigit(line[2]);
}

int ReplyCodeOf(std::string_view line) {
  return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

// "xyz" alone or "xyz " followed by text ends a reply of code xyz.
bool IsLastLineOf(std::string_view line, std::string_view code) {
  return line.substr(0, 3) == code && (line.size() == 3 || line[3] == ' ');
}

// The line that starts at `pos` and ends before `end` (a '\n'), without a '\r' before it.
std::string_view LineAt(std::string_view buffer, std::size_t pos, std::size_t end) {
  std::string_view line = buffer.substr(pos, end - pos);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

}  // namespace

void FtpReplyParser::Append(const char* data, std::size_t size) {
  if (!m_malformed) m_buffer.append(data, size);
}

// The reply's lines are checked where they lie, and its text is built once, into the string
// the caller keeps from reply to reply: a session reads a reply for every command it sends.
FtpReplyParser::Status FtpReplyParser::Next(FtpReply* reply) {
  if (m_malformed) return Status::kMalformed;
  const std::string_view buffer(m_buffer);
  std::string_view code;
  for (std::size_t pos = 0;;) {
    const std::size_t end = buffer.find('\n', pos);
    const std::size_t available = (end == std::string::npos ? buffer.size() : end + 1) - pos;
    if (available > kMaxLineLength || pos + available > kMaxReplyLength) break;
    if (end == std::string::npos) return Status::kNeedMore;
    const std::string_view line = LineAt(buffer, pos, end);
    if (line.find('\0') != std::string_view::npos) break;
    pos = end + 1;
    if (code.empty()) {
      if (!HasReplyCode(line) || (line.size() > 3 && line[3] != ' ' && line[3] != '-')) break;
      code = line.substr(0, 3);
      if (line.size() == 3 || line[3] == ' ') return TakeReply(pos, reply);
    } else if (IsLastLineOf(line, code)) {
      return TakeReply(pos, reply);
    }
  }
  m_malformed = true;
  m_buffer.clear();
  return Status::kMalformed;
}

FtpReplyParser::Status FtpReplyParser::TakeReply(std::size_t length, FtpReply* reply) {
  const std::string_view buffer(m_buffer);
  reply->code = ReplyCodeOf(buffer);
  reply->text.clear();
  for (std::size_t pos = 0; pos < length;) {
    const std::size_t end = buffer.find('\n', pos);
    if (pos > 0) reply->text += '\n';
    reply->text += LineAt(buffer, pos, end);
    pos = end + 1;
  }
  m_buffer.erase(0, length);
  return Status::kReply;
}
