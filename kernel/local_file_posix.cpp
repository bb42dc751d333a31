#include "kernel/local_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

void CFile::CloseQuietly() {
  ::close(static_cast<int>(m_hFile));
  m_hFile = kNoFile;
}

bool CFile::Open(const std::string& path, UINT flags) {
  if (m_hFile != kNoFile) return false;
  int oflags = O_CLOEXEC | O_NOFOLLOW;
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
  if (fd < 0) {
    m_nOpenError = errno;
    return false;
  }
  m_hFile = fd;
  m_strFileName = path;
  return true;
}

UINT CFile::ReadDirect(void* buffer, UINT count) {
  auto* out = static_cast<char*>(buffer);
  UINT total = 0;
  while (total < count) {
    const ssize_t n = ::read(static_cast<int>(m_hFile), out + total, count - total);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowLastError();
    }
    if (n == 0) break;
    total += static_cast<UINT>(n);
  }
  return total;
}

void CFile::WriteDirect(const void* buffer, UINT count) {
  const auto* in = static_cast<const char*>(buffer);
  UINT total = 0;
  while (total < count) {
    const ssize_t n = ::write(static_cast<int>(m_hFile), in + total, count - total);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowLastError();
    }
    total += static_cast<UINT>(n);
  }
}

ULONGLONG CFile::LengthDirect() const {
  struct stat info {};
  if (::fstat(static_cast<int>(m_hFile), &info) != 0) ThrowLastError();
  return static_cast<ULONGLONG>(info.st_size);
}

void CFile::CloseDirect() {
  const int fd = static_cast<int>(m_hFile);
  m_hFile = kNoFile;
  // After close() the descriptor is gone whatever it returns, so EINTR is not retried.
  if (::close(fd) != 0 && errno != EINTR) ThrowLastError();
}

void CFile::ThrowLastError() const {
  throw new CFileException(errno, m_strFileName);
}

bool RemoveFile(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

std::string FileErrorText(int cause) {
  return std::strerror(cause);
}
