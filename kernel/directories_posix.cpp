#include "kernel/directories.h"

#include <errno.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace {

constexpr char kProgramFolder[] = "lumvik-hastighed";

std::string HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return std::string();
}

// Makes `path` with `mode` unless it is a folder already.
bool EnsureDirectory(const std::string& path, mode_t mode) {
  if (::mkdir(path.c_str(), mode) == 0) return true;
  struct stat info {};
  return errno == EEXIST && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string PrivateCacheDirectory() {
  std::string cache;
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/') {
    cache = xdg;
  } else {
    const std::string home = HomeDirectory();
    if (home.empty()) return std::string();
    cache = home + "/.cache";
    if (!EnsureDirectory(cache, 0700)) return std::string();
  }
  if (!EnsureDirectory(cache, 0700)) return std::string();
  const std::string folder = cache + kPathSeparator + kProgramFolder;
  return EnsureDirectory(folder, 0700) ? folder : std::string();
}

std::string TemporaryDirectory() {
  std::string temp = "/tmp";
  if (const char* tmpdir = std::getenv("TMPDIR"); tmpdir && *tmpdir) temp = tmpdir;
  if (temp.back() != kPathSeparator) temp += kPathSeparator;
  return temp;
}
