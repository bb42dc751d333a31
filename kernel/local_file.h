// Local files in the framework's shape: Open reports failure by its result,
// Read, Write and Close throw CFileException.
#pragma once

#include <cstdint>
#include <string>

#include "kernel/exception.h"
#include "kernel/types.h"

class CFileException : public CException {
 public:
  CFileException(int cause, std::string fileName)
      : m_cause(cause), m_strFileName(std::move(fileName)) {}

  int m_cause;  // the system's error number (errno, or GetLastError on Windows)
  std::string m_strFileName;
};

class CFile {
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeCreate = 0x1000,
  };

  CFile() = default;
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  // Closes a file still open, without reporting a failure.
  ~CFile();

  // Opens `path`; modeCreate | modeWrite creates or empties it. False on failure.
  bool Open(const std::string& path, UINT flags);
  // Reads up to `count` bytes; fewer only at the end of the file.
  UINT Read(void* buffer, UINT count);
  // Writes all `count` bytes or throws.
  void Write(const void* buffer, UINT count);
  // The file's size in bytes; throws.
  ULONGLONG GetLength() const;
  // Closes the file; a failure of the last write-back throws.
  void Close();
  bool IsOpen() const { return m_hFile != kNoFile; }
  const std::string& GetFilePath() const { return m_strFileName; }

 private:
  [[noreturn]] void ThrowLastError() const;

  // A descriptor, or a Windows handle, as a number; the same "none" on both.
  static constexpr std::intptr_t kNoFile = -1;
  std::intptr_t m_hFile = kNoFile;
  std::string m_strFileName;
};

// Deletes a file; false when it is missing or cannot be deleted.
bool RemoveFile(const std::string& path);

// The system's words for a CFileException's cause.
std::string FileErrorText(int cause);
