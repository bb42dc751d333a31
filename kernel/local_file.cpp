#include "kernel/local_file.h"

#include <algorithm>
#include <cstring>

#include "kernel/system_files.h"

CFileSystem& SystemFiles() {
  static CSystemFiles files;
  return files;
}

CFile::~CFile() {
  if (m_hFile == CFileSystem::kNone) return;
  try {
    WriteBack();
  } catch (CFileException* e) {
    // A file left behind by a failure: the caller deletes it, and has a failure to report.
    e->Delete();
  }
  CloseQuietly();
}

UINT CFile::Read(void* buffer, UINT count) {
  auto* out = static_cast<char*>(buffer);
  UINT total = 0;
  while (total < count) {
    if (m_nBufferStart == m_nBufferEnd) {
      if (count - total >= kBufferBytes) return total + ReadDirect(out + total, count - total);
      if (!m_pBuffer) m_pBuffer.reset(new char[kBufferBytes]);
      m_nBufferStart = 0;
      m_nBufferEnd = ReadDirect(m_pBuffer.get(), kBufferBytes);
      if (m_nBufferEnd == 0) break;
    }
    const UINT piece = std::min(count - total, m_nBufferEnd - m_nBufferStart);
    std::memcpy(out + total, m_pBuffer.get() + m_nBufferStart, piece);
    m_nBufferStart += piece;
    total += piece;
  }
  return total;
}

void CFile::Write(const void* buffer, UINT count) {
  if (m_nBufferEnd + count > kBufferBytes) WriteBack();
  if (count >= kBufferBytes) return WriteDirect(buffer, count);
  if (!m_pBuffer) m_pBuffer.reset(new char[kBufferBytes]);
  std::memcpy(m_pBuffer.get() + m_nBufferEnd, buffer, count);
  m_nBufferEnd += count;
}

void CFile::WriteBack() {
  // Only a write leaves bytes from the start of the buffer on: a read's start moves.
  if (m_nBufferStart != 0 || m_nBufferEnd == 0) return;
  const UINT count = m_nBufferEnd;
  m_nBufferEnd = 0;
  WriteDirect(m_pBuffer.get(), count);
}

bool CFile::Open(const std::string& path, UINT flags) {
  if (m_hFile != CFileSystem::kNone) return false;
  m_nOpenError = m_files.Open(path, flags, &m_hFile);
  if (m_nOpenError != 0) return false;
  m_strFileName = path;
  return true;
}

void CFile::Check(int error) const {
  if (error != 0) throw new CFileException(error, m_strFileName);
}

UINT CFile::ReadDirect(void* buffer, UINT count) {
  UINT read = 0;
  Check(m_files.Read(m_hFile, buffer, count, &read));
  return read;
}

void CFile::CloseDirect() {
  const CFileSystem::Handle file = m_hFile;
  m_hFile = CFileSystem::kNone;
  Check(m_files.Close(file));
}

void CFile::CloseQuietly() {
  m_files.Close(m_hFile);
  m_hFile = CFileSystem::kNone;
}

ULONGLONG CFile::GetLength() const {
  ULONGLONG length = 0;
  Check(m_files.Length(m_hFile, &length));
  return length + (m_nBufferStart == 0 ? m_nBufferEnd : 0);
}

void CFile::Close() {
  if (m_hFile == CFileSystem::kNone) return;
  try {
    WriteBack();
  } catch (CFileException*) {
    CloseQuietly();
    throw;
  }
  CloseDirect();
}
