#include "ftp/ftp_transfer.h"

#include <memory>

#include "ftp/ftp_client.h"
#include "ftp/ftp_connection.h"
#include "ftp/ftp_exception.h"
#include "ftp/internet_file.h"
#include "ftp/progress_sink.h"
#include "kernel/local_file.h"

template <>
void CFtpDownload::Transfer() {
  CFtpConnection* connection = m_pClient->m_pConnection;
  if (!connection->SetCurrentDirectory(m_strRemoteDir)) {
    throw new CFTPException(CFTPException::kRemoteDirectoryRefused, std::string(),
                            connection->LastReply());
  }
  CFile local;
  if (!local.Open(m_strLocalFile, CFile::modeCreate | CFile::modeWrite)) {
    throw new CFTPException(CFTPException::kCannotCreateLocalFile,
                            ftp_message::kCannotCreateFile + m_strLocalFile,
                            m_strLocalFile + ": " + FileErrorText(local.OpenError()));
  }
  std::unique_ptr<CInternetFile> remote(
      connection->OpenFile(m_strRemoteFile, GENERIC_READ, m_dwTransferType, 1));
  if (!remote) {
    throw new CFTPException(CFTPException::kCannotOpenRemoteFile,
                            ftp_message::kCannotOpenRemoteFile + m_strRemoteFile,
                            connection->LastReply());
  }

  char buffer[kTransferChunkSize];
  // A read of less than a chunk is the end of the file; it is reported too, even empty.
  CPathSampler path(*remote, false);
  RunTimedChunks(m_pOwner, path, [&] {
    const UINT count = remote->Read(buffer, kTransferChunkSize);
    local.Write(buffer, count);
    return ChunkStep{count, true, count < kTransferChunkSize};
  });
  m_pClient->m_lastPath = path.Finish();
  local.Close();
  remote->Close();
}
