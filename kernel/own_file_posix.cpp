#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

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

bool Fail(const std::string& path, std::string* failure, int error = errno) {
  *failure = path + ": " + std::strerror(error);
  return false;
}

bool Refuse(const std::string& path, std::string* failure, const char* why) {
  *failure = path + ": " + why;
  return false;
}

// Whether `info` is a file the program may take as its own.
const char* Foreign(const struct stat& info) {
  if (!S_ISREG(info.st_mode)) return "not a regular file";
  if (info.st_uid != ::getuid()) return "not the user's own";
  if (info.st_nlink != 1) return "a second link to another file";
  return nullptr;
}

// O_NOFOLLOW refuses a link at the path itself; O_NONBLOCK keeps a planted FIFO from
// stalling the open, and the checks after it refuse it.
int OpenOwn(const std::string& path, int flags) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool CheckOwn(int fd, const std::string& path, std::string* failure) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return Fail(path, failure);
  if (const char* why = Foreign(info)) return Refuse(path, failure, why);
  return true;
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

// Flushes the folder of `path`, so that a rename in it survives a power loss.
void SyncFolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

}  // namespace

bool ReadOwnFile(const std::string& path, std::string* content, std::string* failure) {
  content->clear();
  const Descriptor file(OpenOwn(path, O_RDONLY));
  if (file.get() < 0) return errno == ENOENT || Fail(path, failure);
  if (!CheckOwn(file.get(), path, failure)) return false;
  char buffer[16384];
  for (;;) {
    const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0 && errno != EINTR) return Fail(path, failure);
    if (n > 0) content->append(buffer, static_cast<std::size_t>(n));
  }
}

bool ReplaceOwnFile(const std::string& path, const std::string& content, std::string* failure) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0) {
    if (S_ISLNK(info.st_mode)) return Refuse(path, failure, "a link");
    if (const char* why = Foreign(info)) return Refuse(path, failure, why);
  } else if (errno != ENOENT) {
    return Fail(path, failure);
  }
  // A name of this process's own, so that two writers never share the new file.
  const std::string fresh = path + ".new-" + std::to_string(::getpid());
  ::unlink(fresh.c_str());
  {
    const Descriptor file(OpenOwn(fresh, O_WRONLY | O_CREAT | O_EXCL));
    if (file.get() < 0) return Fail(fresh, failure);
    if (!WriteAll(file.get(), content) || ::fsync(file.get()) != 0) {
      const int error = errno;
      ::unlink(fresh.c_str());
      return Fail(fresh, failure, error);
    }
  }
  if (::rename(fresh.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(fresh.c_str());
    return Fail(path, failure, error);
  }
  SyncFolderOf(path);
  return true;
}

bool AppendOwnFile(const std::string& path, const std::string& text, std::string* failure) {
  const Descriptor file(OpenOwn(path, O_WRONLY | O_APPEND | O_CREAT));
  if (file.get() < 0) return Fail(path, failure);
  if (!CheckOwn(file.get(), path, failure)) return false;
  struct stat before {};
  if (::fstat(file.get(), &before) != 0) return Fail(path, failure);
  if (!WriteAll(file.get(), text) || ::fsync(file.get()) != 0) {
    // Half a line would read as a wrong one: what was written of it goes again.
    const int error = errno;
    const bool undone = ::ftruncate(file.get(), before.st_size) == 0;
    Fail(path, failure, error);
    if (!undone) *failure += " (part of the line stays)";
    return false;
  }
  return true;
}

bool RemoveOwnFile(const std::string& path, std::string* failure) {
  return ::unlink(path.c_str()) == 0 || errno == ENOENT || Fail(path, failure);
}
