#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/file_plants.h"

bool PlantLink(const std::string& target, const std::string& link) {
  return ::symlink(target.c_str(), link.c_str()) == 0;
}

bool PlantHardLink(const std::string& target, const std::string& link) {
  return ::link(target.c_str(), link.c_str()) == 0;
}

bool PlantUnwritable(const std::string& path) {
  return ::getuid() == 0 && ::chown(path.c_str(), 65534, 65534) == 0;
}

bool PrivateToTheUser(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && (info.st_mode & 0777) == 0600;
}

OpenNewFiles::OpenNewFiles() : m_previous(::umask(0)) {}

OpenNewFiles::~OpenNewFiles() {
  ::umask(static_cast<mode_t>(m_previous));
}
