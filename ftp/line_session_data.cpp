// The session's data connections: offered with PORT or EPRT on one listener, accepted from
// the server alone, and the file's bytes moved through them.
#include <algorithm>

#include "ftp/ftp_syntax.h"
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
  // One listener for all the session's files: a port of its own for each would use up the
  // system's ports on a fast line, where each closed connection holds its port for a minute.
  if (!m_listener.IsOpen()) {
    try {
      m_listener = TcpSocket::Listen(m_control.LocalAddress());
      m_listening = m_listener.LocalAddress();
    } catch (CInternetException* e) {
      const std::string why = e->m_strDetail;
      e->Delete();
      return Fail(why);
    }
  }
  if (m_listening.ss_family == AF_INET6) {
    return Send("EPRT", EprtArgument(m_listening), State::kPort);
  }
  Send("PORT", PortArgument(m_listening), State::kPort);
}

void CLineSession::TransferDone(long long nowMs) {
  m_data.Close();
  m_unconfirmed = 0;
  Progress(nowMs);
  if (m_stopping) return LeaveAfterTransfer();
  OfferDataConnection();
}

unsigned long long CLineSession::Bytes() const {
  return m_bytes - Unconfirmed();
}

unsigned long long CLineSession::Unconfirmed() const {
  if (!m_plan.upload) return 0;
  if (!m_data.IsOpen() || m_dataEnded) return m_unconfirmed;
  socket_api::SendState state;
  if (!socket_api::QuerySendState(m_data.Handle(), m_sentOfFile, &state)) return 0;
  return std::min<unsigned long long>(state.unacknowledged, m_sentOfFile);
}

void CLineSession::AcceptDataConnection(long long nowMs) {
  sockaddr_storage peer{};
  const SocketHandle accepted = socket_api::Accept(m_listener.Handle(), &peer);
  if (accepted == kNoSocket) return;
  TcpSocket data = TcpSocket::Adopt(accepted);
  // A data connection from any host but the server's could inject or steal data: it is
  // closed, and the server's awaited.
  if (!SameHost(peer, m_plan.server)) return;
  if (m_plan.upload) {
    socket_api::SendAtOnce(accepted);
    socket_api::LimitUnsent(accepted, kUnsentBytes);
  }
  m_data = std::move(data);
  m_accepted = true;
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
        // The whole file is sent: closing the data connection ends it for the server. Its
        // counts go first, as the system keeps them per connection.
        socket_api::PathInfo path;
        if (socket_api::QueryPathInfo(data, &path)) {
          m_pathSent += path.bytesSent;
          m_pathRetransmitted += path.bytesRetransmitted;
        }
        // What the server has not acknowledged yet counts once its final reply confirms it.
        m_unconfirmed = Unconfirmed();
        m_data.Close();
        m_dataEnded = true;
        return;
      }
      moved = socket_api::Send(data, pattern.data(), size);
    } else {
      static char sink[kChunkBytes];
      moved = socket_api::Receive(data, sink, sizeof sink);
      if (moved == 0) {
        m_data.Close();
        m_dataEnded = true;
        return;
      }
    }
    if (moved < 0) {
      if (WouldBlock()) return;
      if (m_stopping) return;
      return Fail("data connection: " + socket_api::ErrorText(socket_api::LastError()));
    }
    m_bytes += static_cast<unsigned long long>(moved);
    m_sentOfFile += static_cast<std::size_t>(moved);
    Progress(nowMs);
  }
}
