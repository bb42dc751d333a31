#include "ftp/ftp_reply.h"

#include <cstring>

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// "xyz" with x from 1 to 5, as RFC 959 allows for reply codes.
bool HasReplyCode(const std::string& line) {
  return line.size() >= 3 && line[0] >= '1' && line[0] <= '5' && IsDigit(line[1]) &&
         IsDigit(line[2]);
}

int ReplyCodeOf(const std::string& line) {
  return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

// "xyz" alone or "xyz " followed by text ends a reply of code xyz.
bool IsLastLineOf(const std::string& line, const std::string& code) {
  return line.compare(0, 3, code) == 0 && (line.size() == 3 || line[3] == ' ');
}

}  // namespace

void FtpReplyParser::Append(const char* data, std::size_t size) {
  if (!m_malformed) m_buffer.append(data, size);
}

FtpReplyParser::Status FtpReplyParser::Next(FtpReply* reply) {
  if (m_malformed) return Status::kMalformed;

  std::string code;
  std::string text;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t end = m_buffer.find('\n', pos);
    const std::size_t available = (end == std::string::npos ? m_buffer.size() : end + 1) - pos;
    if (available > kMaxLineLength || pos + available > kMaxReplyLength) break;
    if (end == std::string::npos) return Status::kNeedMore;

    std::string line = m_buffer.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find('\0') != std::string::npos) break;
    pos = end + 1;

    if (code.empty()) {
      if (!HasReplyCode(line) || (line.size() > 3 && line[3] != ' ' && line[3] != '-')) break;
      code = line.substr(0, 3);
      text = line;
      if (line.size() == 3 || line[3] == ' ') {
        m_buffer.erase(0, pos);
        reply->code = ReplyCodeOf(code);
        reply->text = std::move(text);
        return Status::kReply;
      }
      continue;
    }
    text += '\n';
    text += line;
    if (IsLastLineOf(line, code)) {
      m_buffer.erase(0, pos);
      reply->code = ReplyCodeOf(code);
      reply->text = std::move(text);
      return Status::kReply;
    }
  }
  m_malformed = true;
  m_buffer.clear();
  return Status::kMalformed;
}
