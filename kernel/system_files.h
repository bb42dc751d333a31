// The system's files: a file's operations in local_file_<platform>.cpp, the private folder's
// in private_folder_<platform>.cpp.
#pragma once

#include "kernel/file_system.h"

class CSystemFiles final : public CFileSystem {
 public:
  int Open(const std::string& path, UINT flags, Handle* file) override;
  int Read(Handle file, void* buffer, UINT count, UINT* read) override;
  int Write(Handle file, const void* buffer, UINT count) override;
  int Length(Handle file, ULONGLONG* length) override;
  int Close(Handle file) override;
  bool Remove(const std::string& path) override;
  std::string FolderRefusal(const std::string& folder) override;
  bool TryLock(const std::string& path, Handle* lock, std::string* failure, bool* failed) override;
  void Unlock(Handle lock) override;
};
