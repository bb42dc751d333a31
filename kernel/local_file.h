// Local files in the framework's shape: Open reports failure by its result,
// Read, Write and Close throw CFileException.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "kernel/exception.h"
#include "kernel/file_system.h"
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

  // A file among `files`: the system's unless given (they outlive it).
  explicit CFile(CFileSystem& files = SystemFiles()) : m_files(files) {}
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  // Writes back what is buffered and closes a file still open, without reporting a failure.
  ~CFile();

  // Opens `path`; modeCreate | modeWrite creates or empties it. A link at `path` itself is
  // not followed: a planted one must not lead a test file onto another file. False on
  // failure, with the system's error number in OpenError.
  bool Open(const std::string& path, UINT flags);
  int OpenError() const { return m_nOpenError; }
  // Reads up to `count` bytes; fewer only at the end of the file.
  UINT Read(void* buffer, UINT count);
  // Writes all `count` bytes or throws. Small writes are gathered into kBufferBytes before
  // they reach the system, so that a transfer's 4 KiB chunks cost no system call each; a
  // failure may show at a later write or at Close.
  void Write(const void* buffer, UINT count);
  // The file's size in bytes, what is buffered included; throws.
  ULONGLONG GetLength() const;
  // Writes back what is buffered and closes the file; a failure of either throws.
  void Close();
  bool IsOpen() const { return m_hFile != CFileSystem::kNone; }
  const std::string& GetFilePath() const { return m_strFileName; }

 private:
#ifdef LUMVIK_FILE_BUFFER_BYTES  // the session fuzzer's, so that a buffer is gathered often
  static constexpr UINT kBufferBytes = LUMVIK_FILE_BUFFER_BYTES;
#else
  static constexpr UINT kBufferBytes = 64 * 1024;
#endif

  // Throws the file system's failure `error`, unless it is 0.
  void Check(int error) const;
  // The file system's side: a read of up to `count` bytes (0 at the end), a write of all
  // `count` bytes, and the close (Quietly: without a report).
  UINT ReadDirect(void* buffer, UINT count);
  void WriteDirect(const void* buffer, UINT count) {
    Check(m_files.Write(m_hFile, buffer, count));
  }
  void CloseDirect();
  void CloseQuietly();
  void WriteBack();

  CFileSystem& m_files;
  CFileSystem::Handle m_hFile = CFileSystem::kNone;
  std::string m_strFileName;
  std::unique_ptr<char[]> m_pBuffer;  // a write's gathered bytes, or a read's bytes ahead
  UINT m_nBufferStart = 0;
  UINT m_nBufferEnd = 0;
  int m_nOpenError = 0;
};

// Deletes a file of the system; false when it is missing or cannot be deleted.
inline bool RemoveFile(const std::string& path) {
  return SystemFiles().Remove(path);
}

// The system's words for a CFileException's cause.
std::string FileErrorText(int cause);
