// The computer's files as the program uses them: the system's side of a local file (CFile's),
// a file's removal, a folder's privacy, and the lock that lets one run at a time use the line.
// The system's, or a test's in memory.
#pragma once

#include <cstdint>
#include <string>

#include "kernel/types.h"

class CFileSystem {
 public:
  // A descriptor, or a Windows handle, as a number; the same "none" on both.
  using Handle = std::intptr_t;
  static constexpr Handle kNone = -1;

  virtual ~CFileSystem() = default;

  // Opens `path` for CFile (its OpenFlags); a link at `path` itself is not followed. Each of
  // these returns 0, or the system's error number.
  virtual int Open(const std::string& path, UINT flags, Handle* file) = 0;
  // Reads up to `count` bytes, fewer only at the end of the file.
  virtual int Read(Handle file, void* buffer, UINT count, UINT* read) = 0;
  // Writes all `count` bytes.
  virtual int Write(Handle file, const void* buffer, UINT count) = 0;
  virtual int Length(Handle file, ULONGLONG* length) = 0;
  // The file is closed whatever the result.
  virtual int Close(Handle file) = 0;

  // Deletes a file; false when it is missing or cannot be deleted.
  virtual bool Remove(const std::string& path) = 0;

  // Why `folder` is no private folder: missing, not a folder, a link, not the user's own, or
  // writable by others. Empty when it is one.
  virtual std::string FolderRefusal(const std::string& folder) = 0;
  // Whether the exclusive lock on the file `path` (made, mode 0600, when missing; a link there
  // is refused) was free and is now held in `lock`; when the system fails, false with `failed`
  // set and its words in `failure`. The system drops the lock when the process dies.
  virtual bool TryLock(const std::string& path, Handle* lock, std::string* failure,
                       bool* failed) = 0;
  virtual void Unlock(Handle lock) = 0;
};

// The system's files.
CFileSystem& SystemFiles();
