#include "ftp/ftp_transfer.h"

#include <memory>

#include "ftp/ftp_client.h"
#include "ftp/internet_file.h"
#include "ftp/progress_sink.h"
#include "kernel/local_file.h"

template <>
void CFtpDownload::Transfer() {
  const CEnvironment& env = m_pClient->Environment();
  CFile local(env.files);
  const std::unique_ptr<CInternetFile> remote = Open(local);

  char buffer[kTransferChunkSize];
  // A read of less than a chunk is the end of the file; it is reported too, even empty.
  CPathSampler path(*remote, false, env.clock);
  RunTimedChunks(m_pOwner, env.clock, path, [&] {
    const UINT count = remote->Read(buffer, kTransferChunkSize);
    local.Write(buffer, count);
    return ChunkStep{count, true, count < kTransferChunkSize};
  });
  m_pClient->m_lastPath = path.Finish();
  local.Close();
  remote->Close();
}
