#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "tests/support/user_folders.h"

namespace {

std::string g_root;
// Each variable pointed into the root, and its folder there.
const char* const kVariables[][2] = {{"XDG_CACHE_HOME", "cache"},
                                     {"XDG_DATA_HOME", "data"},
                                     {"XDG_CONFIG_HOME", "config"},
                                     {"TMPDIR", "tmp"}};
// What each held before: nothing when it was unset.
std::vector<std::pair<std::string, std::optional<std::string>>> g_before;

}  // namespace

std::string PointUserFoldersIntoRoot(const std::string& name) {
  std::string pattern = "/tmp/" + name + "-XXXXXX";
  if (!::mkdtemp(pattern.data())) return std::string();
  g_root = pattern;
  for (const auto& [variable, folder] : kVariables) {
    std::error_code error;
    std::filesystem::create_directory(g_root + "/" + folder, error);
    if (error) return std::string();
    const char* before = std::getenv(variable);
    g_before.emplace_back(variable, before ? std::optional<std::string>(before) : std::nullopt);
    ::setenv(variable, (g_root + "/" + folder).c_str(), 1);
  }
  return g_root;
}

void RemoveUserFoldersRoot() {
  for (const auto& [variable, before] : g_before) {
    if (before) {
      ::setenv(variable.c_str(), before->c_str(), 1);
    } else {
      ::unsetenv(variable.c_str());
    }
  }
  g_before.clear();
  if (g_root.empty()) return;
  std::error_code error;
  std::filesystem::remove_all(g_root, error);
  g_root.clear();
}
