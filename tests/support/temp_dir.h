// A fresh folder in the system's temporary folder for one test, removed with everything in
// it at the end.
#pragma once

#include <chrono>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

class TempDir {
 public:
  explicit TempDir(const std::string& prefix) {
    std::mt19937_64 random(static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int tries = 0; tries < 100 && m_path.empty(); ++tries) {
      const std::filesystem::path candidate =
          std::filesystem::temp_directory_path() / (prefix + "-" + std::to_string(random()));
      std::error_code error;
      if (std::filesystem::create_directory(candidate, error)) m_path = candidate.u8string();
    }
    if (m_path.empty()) throw std::runtime_error("no temporary folder");
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    std::error_code error;
    std::filesystem::remove_all(std::filesystem::u8path(m_path), error);
  }

  const std::string& Path() const { return m_path; }
  std::string File(const std::string& name) const {
    return (std::filesystem::u8path(m_path) / name).u8string();
  }

 private:
  std::string m_path;
};
