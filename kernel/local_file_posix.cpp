#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "kernel/local_file.h"
#include "kernel/system_files.h"

int CSystemFiles::Open(const std::string& path, UINT flags, Handle* file) {
  int oflags = O_CLOEXEC | O_NOFOLLOW;
  if (flags & CFile::modeWrite) {
    oflags |= O_WRONLY;
    if (flags & CFile::modeCreate) oflags |= O_CREAT | O_TRUNC;
  } else {
    oflags |= O_RDONLY;
  }
  int fd;
  do {
    fd = ::open(path.c_str(), oflags, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno;
  *file = fd;
  return 0;
}

int CSystemFiles::Read(Handle file, void* buffer, UINT count, UINT* read) {
  auto* out = static_cast<char*>(buffer);
  *read = 0;
  while (*read < count) {
    const ssize_t n = ::read(static_cast<int>(file), out + *read, count - *read);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) break;
    *read += static_cast<UINT>(n);
  }
  return 0;
}

int CSystemFiles::Write(Handle file, const void* buffer, UINT count) {
  const auto* in = static_cast<const char*>(buffer);
  UINT total = 0;
  while (total < count) {
    const ssize_t n = ::write(static_cast<int>(file), in + total, count - total);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    total += static_cast<UINT>(n);
  }
  return 0;
}

int CSystemFiles::Length(Handle file, ULONGLONG* length) {
  struct stat info {};
  if (::fstat(static_cast<int>(file), &info) != 0) return errno;
  *length = static_cast<ULONGLONG>(info.st_size);
  return 0;
}

int CSystemFiles::Close(Handle file) {
  // After close() the descriptor is gone whatever it returns, so EINTR is not retried.
  return ::close(static_cast<int>(file)) != 0 && errno != EINTR ? errno : 0;
}

bool CSystemFiles::Remove(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

std::string FileErrorText(int cause) {
  return std::strerror(cause);
}
