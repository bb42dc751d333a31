// Local files in memory, linked in place of the platform's file for the session fuzzer: a
// test file costs no system call, and what a session leaves behind is in plain view.
#include <errno.h>
#include <string.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "kernel/local_file.h"
#include "kernel/private_folder.h"
#include "tests/fuzz/fake_network.h"

namespace {

struct OpenFile {
  std::string path;
  std::size_t position = 0;
};

std::map<std::string, std::string> g_files;
std::map<std::intptr_t, OpenFile> g_open;
std::intptr_t g_nextHandle = 3;

}  // namespace

namespace fake_network {

std::size_t LocalFileCount() {
  return g_files.size();
}

void ForgetLocalFiles() {
  g_files.clear();
  g_open.clear();
}

}  // namespace fake_network

void CFile::CloseQuietly() {
  g_open.erase(m_hFile);
  m_hFile = kNoFile;
}

bool CFile::Open(const std::string& path, UINT flags) {
  if (m_hFile != kNoFile) return false;
  const auto found = g_files.find(path);
  if (flags & modeWrite) {
    if (!(flags & modeCreate) && found == g_files.end()) {
      m_nOpenError = ENOENT;
      return false;
    }
    if (flags & modeCreate) g_files[path].clear();
  } else if (found == g_files.end()) {
    m_nOpenError = ENOENT;
    return false;
  }
  m_hFile = g_nextHandle++;
  g_open[m_hFile] = OpenFile{path, 0};
  m_strFileName = path;
  return true;
}

UINT CFile::ReadDirect(void* buffer, UINT count) {
  OpenFile& file = g_open.at(m_hFile);
  const std::string& content = g_files[file.path];
  const std::size_t n =
      std::min<std::size_t>(count, content.size() - std::min(file.position, content.size()));
  std::memcpy(buffer, content.data() + file.position, n);
  file.position += n;
  return static_cast<UINT>(n);
}

void CFile::WriteDirect(const void* buffer, UINT count) {
  if (fake_network::FailLocalWrite()) throw new CFileException(ENOSPC, m_strFileName);
  OpenFile& file = g_open.at(m_hFile);
  g_files[file.path].append(static_cast<const char*>(buffer), count);
}

ULONGLONG CFile::LengthDirect() const {
  return g_files[g_open.at(m_hFile).path].size();
}

void CFile::CloseDirect() {
  g_open.erase(m_hFile);
  m_hFile = kNoFile;
}

void CFile::ThrowLastError() const {
  throw new CFileException(EIO, m_strFileName);
}

bool RemoveFile(const std::string& path) {
  return g_files.erase(path) > 0;
}

std::string FileErrorText(int cause) {
  return strerror(cause);
}

// The private folder of the fuzzed runs is a name in memory, and no other run shares it.
std::string FolderRefusal(const std::string& folder) {
  return folder.empty() ? "no private folder for the test files" : std::string();
}

bool CFolderLock::TryTake(const std::string&, std::string*, bool* failed) {
  *failed = false;
  m_handle = 1;
  return true;
}

void CFolderLock::Release() {
  m_handle = kNone;
}
