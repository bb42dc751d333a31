// One file moved between this machine and the server in timed chunks of kTransferChunkSize
// bytes, reported after each chunk: CFtpDownload fetches a file, CFtpUpload sends one. Both
// hold the same members and run alike; only the copy itself differs by direction.
#pragma once

#include <memory>
#include <string>

#include "ftp/internet_session.h"
#include "ftp/transfer_run.h"
#include "kernel/types.h"

class CFile;
class CFtpClient;
class CInternetFile;
class CProgressSink;

enum class TransferDirection { kDownload, kUpload };

template <TransferDirection kDirection>
class CFtpTransfer {
 public:
  // A binary transfer over `client`'s connection; the names are filled in by the client.
  explicit CFtpTransfer(CFtpClient* client)
      : m_dwTransferType(FTP_TRANSFER_TYPE_BINARY), m_pClient(client) {}

  // Transfers, turning every failure into a CFTPException.
  void Run() {
    RunConvertingFailures([this] { Transfer(); });
  }
  // The copy itself.
  void Transfer();

 private:
  friend class CFtpClient;

  // What both directions do before the copy: the server's folder entered, `local` opened
  // and the remote file opened, each refusal thrown as its CFTPException.
  std::unique_ptr<CInternetFile> Open(CFile& local);

  DWORD m_dwTransferType;
  std::string m_strLocalFile;
  std::string m_strRemoteFile;
  std::string m_strRemoteDir;
  CProgressSink* m_pOwner = nullptr;
  CFtpClient* m_pClient;
};

using CFtpDownload = CFtpTransfer<TransferDirection::kDownload>;
using CFtpUpload = CFtpTransfer<TransferDirection::kUpload>;

template <>
void CFtpDownload::Transfer();
template <>
void CFtpUpload::Transfer();
