// The session's data connections: offered with PORT or EPRT on one listener, accepted from
// the server alone, and the file's bytes moved through them.
#include <algorithm>

#include "ftp/internet_exception.h"
#include "ftp/line_session.h"
#include "ftp/socket_address.h"

namespace {

// What one look at a data connection reads or writes at most, so that one fast session does
// not keep the others waiting.
constexpr std::size_t kChunkBytes = 64 * 1024;
constexpr int kChunksPerLook = 16;
// An upload's unsent data is bounded, so that what it counts has gone onto the line rather
// than into the system's buffer.
constexpr int kUnsentBytes = 128 * 1024;

// The bytes an upload sends: any will do, the line carries them as they are.
const std::vector<char>& UploadPattern() {
  static const std::vector<char> pattern = [] {
    std::vector<char> bytes(kChunkBytes);
    unsigned state = 2463534242u;
    for (char& byte : bytes) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      byte = static_cast<char>(state);
    }
    return bytes;
  }();
  return pattern;
}

}  // namespace

void CLineSession::OfferDataConnection() {
  m_data.Close();
  // A download's port is free again once its connection is accepted; an upload's stays held
  // for a minute after the close (its end is ours), so uploads take the listeners in turn.
  if (m_plan.upload) m_listenerIndex = (m_listenerIndex + 1) % m_listeners.size();
  if (!Listener().IsOpen()) {
    try {
      Listener() = TcpSocket::Listen(m_env, m_control.LocalAddress());
      m_listening[m_listenerIndex] = Listener().LocalAddress();
    } catch (CInternetException* e) {
      const std::string why = e->m_strDetail;
      e->Delete();
      return Fail(why);
    }
  }
  Send(m_dialogue.BeginOfferData(m_listening[m_listenerIndex]), State::kPort);
}

void CLineSession::TransferDone(long long nowMs) {
  NotePathCounts();
  m_data.Close();
  Progress(nowMs);
  if (m_stopping) return LeaveAfterTransfer();
  OfferDataConnection();
}

bool CLineSession::UploadPath(socket_api::PathInfo* path) const {
  return m_plan.upload && m_data.IsOpen() && Sockets().QueryPathInfo(m_data.Handle(), path);
}

void CLineSession::NotePathCounts() {
  socket_api::PathInfo path;
  if (!UploadPath(&path)) return;
  m_pathSent += path.bytesSent;
  m_pathRetransmitted += path.bytesRetransmitted;
}

unsigned long long CLineSession::Retransmitted() const {
  socket_api::PathInfo path;
  return m_pathRetransmitted + (UploadPath(&path) ? path.bytesRetransmitted : 0);
}

unsigned long long CLineSession::Bytes() const {
  return m_bytes - Unconfirmed();
}

unsigned long long CLineSession::Unconfirmed() const {
  if (!m_plan.upload || !m_data.IsOpen()) return 0;
  socket_api::SendState state;
  if (!Sockets().QuerySendState(m_data.Handle(), m_sentOfFile, &state)) return 0;
  return std::min<unsigned long long>(state.unacknowledged, m_sentOfFile);
}

void CLineSession::AcceptDataConnection(long long nowMs) {
  sockaddr_storage peer{};
  const SocketHandle accepted = Sockets().Accept(Listener().Handle(), &peer);
  if (accepted == kNoSocket) return;
  TcpSocket data = TcpSocket::Adopt(m_env, accepted);
  // A data connection from any host but the server's could inject or steal data: it is
  // closed, and the server's awaited.
  if (!SameHost(peer, m_plan.server)) return;
  if (m_plan.upload) {
    Sockets().SendAtOnce(accepted);
    Sockets().LimitUnsent(accepted, kUnsentBytes);
    // Where the system cannot tell what the server acknowledged, every byte handed over
    // counts: the send buffer is bounded so that few of them wait in it.
    socket_api::SendState state;
    if (!Sockets().QuerySendState(accepted, 0, &state)) {
      m_countsHandedOver = true;
      Sockets().BoundSendBuffer(accepted, kUnsentBytes);
    }
  }
  m_data = std::move(data);
  m_accepted = true;
  m_dataRefusals = 0;
  // A server that connects from one port closes a download's connection first and holds its
  // four addresses and ports for a minute: the next download comes to a new port.
  if (!m_plan.upload) Listener().Close();
  Progress(nowMs);
}

void CLineSession::MoveData(long long nowMs) {
  const SocketHandle data = m_data.Handle();
  for (int chunk = 0; chunk < kChunksPerLook; ++chunk) {
    long moved;
    if (m_plan.upload) {
      const std::vector<char>& pattern = UploadPattern();
      const std::size_t size = std::min(pattern.size(), m_plan.uploadBytes - m_sentOfFile);
      if (size == 0) {
        // The whole file is handed over: its end tells the server, while the connection
        // stays open to count what the server acknowledges until its final reply.
        if (!Sockets().ShutdownSend(data)) m_data.Close();
        m_dataEnded = true;
        return;
      }
      moved = Sockets().Send(data, pattern.data(), size);
    } else {
      static char sink[kChunkBytes];
      moved = Sockets().Receive(data, sink, sizeof sink);
      if (moved == 0) {
        m_data.Close();
        m_dataEnded = true;
        return;
      }
    }
    if (moved < 0) {
      if (WouldBlock()) return;
      if (m_stopping) return;
      return Fail("data connection: " + Sockets().ErrorText(Sockets().LastError()));
    }
    m_bytes += static_cast<unsigned long long>(moved);
    m_sentOfFile += static_cast<std::size_t>(moved);
    Progress(nowMs);
  }
}
