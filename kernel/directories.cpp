#include "kernel/directories.h"

#include "kernel/private_folder.h"

namespace {

// `name` in `folder`, unless the folder is missing or open to others.
std::string InPrivateFolder(const std::string& folder, const char* name) {
  return FolderRefusal(folder).empty() ? folder + kPathSeparator + name : std::string();
}

}  // namespace

std::string RunLogPath() {
  return InPrivateFolder(PrivateCacheDirectory(), kRunLogName);
}

std::string ResultHistoryPath() {
  return InPrivateFolder(PrivateDataDirectory(), kHistoryName);
}
