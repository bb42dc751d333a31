#include "ftp/ftp_transfer.h"

#include <memory>

#include "ftp/ftp_client.h"
#include "ftp/internet_file.h"
#include "ftp/progress_sink.h"
#include "kernel/local_file.h"

template <>
void CFtpUpload::Transfer() {
  const CEnvironment& env = m_pClient->Environment();
  CFile local(env.files);
  const std::unique_ptr<CInternetFile> remote = Open(local);

  char buffer[kTransferChunkSize];
  // The last write waits for the server's acknowledgement, so that the time ends with the
  // whole file at the server rather than with its tail still on the line.
  const ULONGLONG length = local.GetLength();
  ULONGLONG sent = 0;
  CPathSampler path(*remote, true, env.clock);
  RunTimedChunks(m_pOwner, env.clock, path, [&] {
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
