#include "kernel/directories.h"

std::string RunLogPath() {
  const std::string folder = PrivateCacheDirectory();
  return folder.empty() ? folder : folder + kPathSeparator + "runs.log";
}

std::string ResultHistoryPath() {
  const std::string folder = PrivateDataDirectory();
  return folder.empty() ? folder : folder + kPathSeparator + "results.csv";
}
