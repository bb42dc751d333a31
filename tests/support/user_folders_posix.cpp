#include <stdlib.h>

#include <filesystem>
#include <utility>

#include "tests/support/user_folders.h"

namespace {

std::string g_root;

}  // namespace

// The variables belong to this process alone: they end with it, and need no putting back.
std::string PointUserFoldersIntoRoot(const std::string& name) {
  std::string pattern = "/tmp/" + name + "-XXXXXX";
  if (!::mkdtemp(pattern.data())) return std::string();
  g_root = pattern;
  for (const auto& [variable, folder] : {std::pair{"XDG_CACHE_HOME", "/cache"},
                                         {"XDG_DATA_HOME", "/data"},
                                         {"XDG_CONFIG_HOME", "/config"},
                                         {"TMPDIR", "/tmp"}}) {
    std::error_code error;
    std::filesystem::create_directory(g_root + folder, error);
    if (error) return std::string();
    ::setenv(variable, (g_root + folder).c_str(), 1);
  }
  return g_root;
}

void RemoveUserFoldersRoot() {
  std::error_code error;
  if (!g_root.empty()) std::filesystem::remove_all(g_root, error);
}
