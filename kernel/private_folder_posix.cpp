#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "kernel/system_files.h"

std::string CSystemFiles::FolderRefusal(const std::string& folder) {
  if (folder.empty()) return "no private folder for the test files";
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) return folder + ": " + std::strerror(errno);
  if (S_ISLNK(info.st_mode)) return folder + " is a link";
  if (!S_ISDIR(info.st_mode)) return folder + " is not a folder";
  if (info.st_uid != ::geteuid()) return folder + " is not the user's own";
  // Whoever may write in the folder may swap a test file for a link between our checks.
  if (info.st_mode & (S_IWGRP | S_IWOTH)) return folder + " is writable by others";
  return std::string();
}

bool CSystemFiles::TryLock(const std::string& path, Handle* lock, std::string* failure,
                           bool* failed) {
  *failed = false;
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    *failed = true;
    *failure = path + ": " + std::strerror(errno);
    return false;
  }
  // flock belongs to the open file: a second run's open of the same path is refused, and
  // the lock goes with the last descriptor, at the latest when the process dies.
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    const int error = errno;
    ::close(fd);
    if (error == EWOULDBLOCK) return false;
    *failed = true;
    *failure = path + ": " + std::strerror(error);
    return false;
  }
  *lock = fd;
  return true;
}

void CSystemFiles::Unlock(Handle lock) {
  ::close(static_cast<int>(lock));
}
