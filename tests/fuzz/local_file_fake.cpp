// Local files in memory, the files of the fake network's environment: a test file costs no
// system call, and what a session leaves behind is in plain view. A file keeps its length,
// not its bytes: nothing reads back what was written but an upload, which the server counts
// rather than reads, and a file's bytes would cost an allocation of their size.
#include <errno.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "kernel/local_file.h"
#include "tests/fuzz/fake_network.h"

namespace {

class MemoryFiles final : public CFileSystem {
 public:
  int Open(const std::string& path, UINT flags, Handle* file) override {
    const auto found = m_files.find(path);
    if (found == m_files.end() && !(flags & CFile::modeCreate)) return ENOENT;
    if (flags & CFile::modeCreate) m_files[path] = 0;
    *file = m_nextHandle++;
    m_open[*file] = OpenFile{path, 0};
    return 0;
  }

  int Read(Handle file, void* buffer, UINT count, UINT* read) override {
    OpenFile& open = m_open.at(file);
    const std::size_t length = m_files[open.path];
    const std::size_t n = std::min<std::size_t>(count, length - std::min(open.position, length));
    std::memset(buffer, static_cast<int>(open.position & 0xff), n);
    open.position += n;
    *read = static_cast<UINT>(n);
    return 0;
  }

  int Write(Handle file, const void*, UINT count) override {
    if (fake_network::FailLocalWrite()) return ENOSPC;
    m_files[m_open.at(file).path] += count;
    return 0;
  }

  int Length(Handle file, ULONGLONG* length) override {
    *length = m_files[m_open.at(file).path];
    return 0;
  }

  int Close(Handle file) override {
    m_open.erase(file);
    return 0;
  }

  bool Remove(const std::string& path) override { return m_files.erase(path) > 0; }

  // The private folder of the fake runs is a name in memory, and no other run shares it.
  std::string FolderRefusal(const std::string& folder) override {
    return folder.empty() ? "no private folder for the test files" : std::string();
  }

  bool TryLock(const std::string&, Handle* lock, std::string*, bool* failed) override {
    *failed = false;
    *lock = 1;
    return true;
  }

  void Unlock(Handle) override {}

  std::size_t Count() const { return m_files.size(); }
  void Forget() {
    m_files.clear();
    m_open.clear();
  }

 private:
  struct OpenFile {
    std::string path;
    std::size_t position = 0;
  };

  std::map<std::string, std::size_t> m_files;  // their lengths
  std::map<Handle, OpenFile> m_open;
  Handle m_nextHandle = 3;
};

MemoryFiles& Files() {
  static MemoryFiles files;
  return files;
}

}  // namespace

namespace fake_network {

CFileSystem& LocalFiles() {
  return Files();
}

std::size_t LocalFileCount() {
  return Files().Count();
}

void ForgetLocalFiles() {
  Files().Forget();
}

}  // namespace fake_network
