#include "ftp/ftp_transfer.h"

#include "ftp/ftp_client.h"
#include "ftp/ftp_connection.h"
#include "ftp/ftp_exception.h"
#include "ftp/internet_file.h"
#include "kernel/local_file.h"

template <TransferDirection kDirection>
std::unique_ptr<CInternetFile> CFtpTransfer<kDirection>::Open(CFile& local) {
  constexpr bool kUpload = kDirection == TransferDirection::kUpload;
  CFtpConnection* connection = m_pClient->m_pConnection;
  if (!connection->SetCurrentDirectory(m_strRemoteDir)) {
    throw new CFTPException(CFTPException::kRemoteDirectoryRefused, std::string(),
                            connection->LastReply());
  }
  if (!local.Open(m_strLocalFile,
                  kUpload ? CFile::modeRead : CFile::modeCreate | CFile::modeWrite)) {
    throw new CFTPException(
        kUpload ? CFTPException::kCannotOpenLocalFile : CFTPException::kCannotCreateLocalFile,
        (kUpload ? ftp_message::kCannotOpenFile : ftp_message::kCannotCreateFile) + m_strLocalFile,
        m_strLocalFile + ": " + FileErrorText(local.OpenError()));
  }
  std::unique_ptr<CInternetFile> remote(connection->OpenFile(
      m_strRemoteFile, kUpload ? GENERIC_WRITE : GENERIC_READ, m_dwTransferType, 1));
  if (!remote) {
    throw new CFTPException(kUpload ? CFTPException::kCannotOpenRemoteFileForWriting
                                    : CFTPException::kCannotOpenRemoteFile,
                            ftp_message::kCannotOpenRemoteFile + m_strRemoteFile +
                                (kUpload ? ftp_message::kForWriting : ""),
                            connection->LastReply());
  }
  return remote;
}

template std::unique_ptr<CInternetFile> CFtpDownload::Open(CFile& local);
template std::unique_ptr<CInternetFile> CFtpUpload::Open(CFile& local);
