// A fresh folder under /tmp for one test, removed with everything in it at the end.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

class TempDir {
 public:
  explicit TempDir(const std::string& prefix) {
    std::string pattern = "/tmp/" + prefix + "-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() { std::system(("rm -rf '" + m_path + "'").c_str()); }

  const std::string& Path() const { return m_path; }
  std::string File(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};
