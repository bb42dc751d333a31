#include "ftp/internet_file.h"

#include <algorithm>
#include <cstring>

#include "ftp/ftp_connection.h"
#include "ftp/internet_exception.h"

CInternetFile::CInternetFile(CFtpConnection* connection, TcpSocket data, bool writing)
    : m_pConnection(connection),
      m_data(std::move(data)),
      m_bWriting(writing),
      m_pReceived(writing ? nullptr : connection->ReceiveBuffer()) {
  if (writing) {
    m_nGatherUpTo = m_data.SegmentSize();
    m_gathered.reserve(m_nGatherUpTo);
  }
}

CInternetFile::~CInternetFile() {
  if (!m_pConnection) return;
  try {
    Finish(false);
  } catch (CInternetException* e) {
    // The connection has marked itself broken, so its next command reports the failure.
    e->Delete();
  }
}

UINT CInternetFile::Read(void* buffer, UINT count) {
  if (!m_pConnection || m_bWriting) {
    throw new CInternetException(ERROR_INTERNET_INVALID_OPERATION, "not open for reading");
  }
  auto* out = static_cast<char*>(buffer);
  UINT total = 0;
  while (total < count) {
    if (m_nReceivedStart == m_nReceivedEnd) {
      if (m_bEndReached) break;
      m_nReceivedStart = 0;
      m_nReceivedEnd =
          m_data.Receive(m_pReceived, kReceiveBuffer, m_pConnection->m_timeouts.dataIoMs);
      if (m_nReceivedEnd == 0) m_bEndReached = true;
      continue;
    }
    const std::size_t piece =
        std::min<std::size_t>(count - total, m_nReceivedEnd - m_nReceivedStart);
    std::memcpy(out + total, m_pReceived + m_nReceivedStart, piece);
    m_nReceivedStart += piece;
    total += static_cast<UINT>(piece);
  }
  return total;
}

void CInternetFile::Write(const void* buffer, UINT count) {
  if (!m_pConnection || !m_bWriting) {
    throw new CInternetException(ERROR_INTERNET_INVALID_OPERATION, "not open for writing");
  }
  if (m_gathered.empty() && count >= m_nGatherUpTo) {
    m_data.SendAll(buffer, count, m_pConnection->m_timeouts.dataIoMs);
    m_data.WaitUntilSent(m_pConnection->m_timeouts.dataIoMs);
    return;
  }
  m_gathered.append(static_cast<const char*>(buffer), count);
  if (m_gathered.size() >= m_nGatherUpTo) SendGathered();
}

void CInternetFile::SendGathered() {
  if (m_gathered.empty()) return;
  m_data.SendAll(m_gathered.data(), m_gathered.size(), m_pConnection->m_timeouts.dataIoMs);
  m_gathered.clear();
  m_data.WaitUntilSent(m_pConnection->m_timeouts.dataIoMs);
}

bool CInternetFile::Flush() {
  if (!m_pConnection || !m_bWriting) {
    throw new CInternetException(ERROR_INTERNET_INVALID_OPERATION, "not open for writing");
  }
  SendGathered();
  return m_data.WaitUntilAcknowledged(m_pConnection->m_timeouts.dataIoMs);
}

void CInternetFile::Close() {
  if (m_pConnection) Finish(true);
}

void CInternetFile::Finish(bool reportFailure) {
  const bool completed = m_bWriting ? reportFailure : m_bEndReached;
  // What Write gathered goes first, while the file is still open: a failure here leaves it
  // to be abandoned like any failed write.
  if (m_bWriting && completed) SendGathered();
  CFtpConnection* connection = m_pConnection;
  m_pConnection = nullptr;
  connection->FileClosed(this);
  // Closing the data connection ends an upload's stream, or tells the server that the
  // rest of a download is not wanted; either way one final reply follows.
  m_data.Close();
  const FtpVerdict verdict = connection->Await();
  if (completed && verdict != FtpVerdict::kAccepted) {
    throw new CInternetException(ERROR_INTERNET_EXTENDED_ERROR, connection->LastReply());
  }
}
