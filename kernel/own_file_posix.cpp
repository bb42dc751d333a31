#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "kernel/own_file.h"

namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : m_fd(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (m_fd >= 0) ::close(m_fd);
  }
  int get() const { return m_fd; }

 private:
  int m_fd;
};

bool ReadAll(int fd, std::string* content) {
  char buffer[16384];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0 && errno != EINTR) return false;
    if (n > 0) content->append(buffer, static_cast<std::size_t>(n));
  }
}

bool WriteAll(int fd, const std::string& content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno != EINTR) return false;
    if (n > 0) done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool RewriteOwnFile(const std::string& path,
                    const std::function<std::string(const std::string&)>& rewrite) {
  // O_NOFOLLOW refuses a link at the path itself; O_NONBLOCK keeps a planted FIFO from
  // stalling the open, and the checks below refuse it.
  const Descriptor file(
      ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
  if (file.get() < 0) return false;
  struct stat info {};
  if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::getuid() ||
      info.st_nlink != 1) {
    return false;
  }
  std::string content;
  if (!ReadAll(file.get(), &content)) return false;
  const std::string replaced = rewrite(content);
  return ::lseek(file.get(), 0, SEEK_SET) == 0 && WriteAll(file.get(), replaced) &&
         ::ftruncate(file.get(), static_cast<off_t>(replaced.size())) == 0;
}
