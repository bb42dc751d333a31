#include "ftp/ftp_transfer.h"

#include <memory>

#include "ftp/ftp_client.h"
#include "ftp/ftp_connection.h"
#include "ftp/ftp_exception.h"
#include "ftp/internet_file.h"
#include "ftp/progress_sink.h"
#include "kernel/local_file.h"

template <>
void CFtpUpload::Transfer() {
  CFtpConnection* connection = m_pClient->m_pConnection;
  if (!connection->SetCurrentDirectory(m_strRemoteDir)) {
    throw new CFTPException(CFTPException::kRemoteDirectoryRefused, std::string(),
                            connection->LastReply());
  }
  CFile local;
  if (!local.Open(m_strLocalFile, CFile::modeRead)) {
    throw new CFTPException(CFTPException::kCannotOpenLocalFile,
                            ftp_message::kCannotOpenFile + m_strLocalFile,
                            m_strLocalFile + ": " + FileErrorText(local.OpenError()));
  }
  std::unique_ptr<CInternetFile> remote(
      connection->OpenFile(m_strRemoteFile, GENERIC_WRITE, m_dwTransferType, 1));
  if (!remote) {
    throw new CFTPException(
        CFTPException::kCannotOpenRemoteFileForWriting,
        ftp_message::kCannotOpenRemoteFile + m_strRemoteFile + ftp_message::kForWriting,
        connection->LastReply());
  }

  char buffer[kTransferChunkSize];
  // The last write waits for the server's acknowledgement, so that the time ends with the
  // whole file at the server rather than with its tail still on the line.
  const ULONGLONG length = local.GetLength();
  ULONGLONG sent = 0;
  CPathSampler path(*remote, true);
  RunTimedChunks(m_pOwner, path, [&] {
    // A last chunk shorter than kTransferChunkSize is the end of the file; it is sent too. Nothing
    // read is no chunk: an empty file, or one of whole chunks, ends without a report.
    const UINT count = local.Read(buffer, kTransferChunkSize);
    if (count == 0) return ChunkStep{0, false, true};
    remote->Write(buffer, count);
    sent += count;
    if ((sent >= length || count < kTransferChunkSize) && !remote->Flush()) {
      m_pOwner->NoteTransfer(
          "the upload's time ends at its last write: the system cannot tell when the server "
          "has the data");
    }
    return ChunkStep{count, true, count < kTransferChunkSize};
  });
  m_pClient->m_lastPath = path.Finish();
  local.Close();
  remote->Close();
}
