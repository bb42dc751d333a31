#include "kernel/directories.h"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace {

constexpr char kProgramFolder[] = "lumvik-hastighed";

// Makes `path` with `mode` unless it is a folder already.
bool EnsureDirectory(const std::string& path, mode_t mode) {
  if (::mkdir(path.c_str(), mode) == 0) return true;
  struct stat info {};
  return errno == EEXIST && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Makes every missing folder of `path` on the way, each with mode 0700, as the XDG base
// directories are to be made.
bool EnsureDirectories(const std::string& path) {
  for (std::size_t end = path.find('/', 1); end != std::string::npos;
       end = path.find('/', end + 1)) {
    if (!EnsureDirectory(path.substr(0, end), 0700)) return false;
  }
  return EnsureDirectory(path, 0700);
}

// $`variable`/lumvik-hastighed, else $HOME/`fallback`/lumvik-hastighed, each missing folder
// made private. Without either variable there is no such folder.
std::string PrivateDirectory(const char* variable, const char* fallback) {
  std::string base;
  if (const char* xdg = std::getenv(variable); xdg && *xdg == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home == '/') {
    base = std::string(home) + kPathSeparator + fallback;
  } else {
    return std::string();
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (!EnsureDirectories(base)) return std::string();
  const std::string folder = base + kPathSeparator + kProgramFolder;
  return EnsureDirectory(folder, 0700) && ::access(folder.c_str(), W_OK | X_OK) == 0
             ? folder
             : std::string();
}

}  // namespace

std::string PrivateCacheDirectory() {
  return PrivateDirectory("XDG_CACHE_HOME", ".cache");
}

std::string PrivateDataDirectory() {
  return PrivateDirectory("XDG_DATA_HOME", ".local/share");
}

std::string TemporaryDirectory() {
  std::string temp = "/tmp";
  if (const char* tmpdir = std::getenv("TMPDIR"); tmpdir && *tmpdir) temp = tmpdir;
  if (temp.back() != kPathSeparator) temp += kPathSeparator;
  return temp;
}

std::string DocumentFontPath(bool bold) {
  const std::string path =
      std::string("/usr/share/fonts/truetype/dejavu/DejaVuSans") + (bold ? "-Bold" : "") + ".ttf";
  return ::access(path.c_str(), R_OK) == 0 ? path : std::string();
}
