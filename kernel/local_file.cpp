#include "kernel/local_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CFile::~CFile() {
  if (m_fd >= 0) ::close(m_fd);
}

bool CFile::Open(const std::string& path, UINT flags) {
  if (m_fd >= 0) return false;
  int oflags = O_CLOEXEC;
  if (flags & modeWrite) {
    oflags |= O_WRONLY;
    if (flags & modeCreate) oflags |= O_CREAT | O_TRUNC;
  } else {
    oflags |= O_RDONLY;
  }
  int fd;
  do {
    fd = ::open(path.c_str(), oflags, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  m_fd = fd;
  m_strFileName = path;
  return true;
}

UINT CFile::Read(void* buffer, UINT count) {
  auto* out = static_cast<char*>(buffer);
  UINT total = 0;
  while (total < count) {
    const ssize_t n = ::read(m_fd, out + total, count - total);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowLastError();
    }
    if (n == 0) break;
    total += static_cast<UINT>(n);
  }
  return total;
}

void CFile::Write(const void* buffer, UINT count) {
  const auto* in = static_cast<const char*>(buffer);
  UINT total = 0;
  while (total < count) {
    const ssize_t n = ::write(m_fd, in + total, count - total);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowLastError();
    }
    total += static_cast<UINT>(n);
  }
}

ULONGLONG CFile::GetLength() const {
  struct stat info {};
  if (::fstat(m_fd, &info) != 0) ThrowLastError();
  return static_cast<ULONGLONG>(info.st_size);
}

void CFile::Close() {
  if (m_fd < 0) return;
  const int fd = m_fd;
  m_fd = -1;
  // After close() the descriptor is gone whatever it returns, so EINTR is not retried.
  if (::close(fd) != 0 && errno != EINTR) ThrowLastError();
}

void CFile::ThrowLastError() const {
  throw new CFileException(errno, m_strFileName);
}

bool RemoveFile(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}
