// One file fetched from the server in timed 4096-byte chunks, reported after each chunk.
#pragma once

#include <string>

#include "kernel/types.h"

class CFtpClient;
class CProgressSink;

class CFtpDownload {
 public:
  // A binary transfer over `client`'s connection; the names are filled in by the client.
  explicit CFtpDownload(CFtpClient* client);

  // Transfers, turning every failure into a CFTPException.
  void Run();
  // The copy itself.
  void Transfer();

 private:
  friend class CFtpClient;

  DWORD m_dwTransferType;
  std::string m_strLocalFile;
  std::string m_strRemoteFile;
  std::string m_strRemoteDir;
  CProgressSink* m_pOwner = nullptr;
  CFtpClient* m_pClient;
};
