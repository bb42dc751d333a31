// The data stream of one FTP transfer, opened by CFtpConnection::OpenFile.
#pragma once

#include <memory>
#include <string>

#include "ftp/tcp_socket.h"
#include "kernel/types.h"

class CFtpConnection;

class CInternetFile {
 public:
  // What an upload may leave in the kernel, not yet gone onto the network, when a write
  // returns. Small, so that each write's time follows the line; what is on its way is not
  // bounded, so that TCP can fill a path with a long round trip.
  static constexpr int kUploadUnsent = 16 * 1024;
  // A download takes what the kernel holds in pieces of up to this size, so that small
  // reads do not cost one system call each. The connection keeps one such buffer for all
  // its downloads, which follow one another.
#ifdef LUMVIK_RECEIVE_BUFFER_BYTES  // the session fuzzer's, so that refills happen often
  static constexpr std::size_t kReceiveBuffer = LUMVIK_RECEIVE_BUFFER_BYTES;
#else
  static constexpr std::size_t kReceiveBuffer = 256 * 1024;
#endif

  CInternetFile(const CInternetFile&) = delete;
  CInternetFile& operator=(const CInternetFile&) = delete;
  // Abandons a transfer still open; never throws.
  ~CInternetFile();

  // Fills `count` bytes, fewer only at the end of the file, 0 once exhausted. Throws.
  UINT Read(void* buffer, UINT count);
  // Sends all `count` bytes or throws. An upload's write returns when the bytes have gone
  // onto the network, but for at most kUploadUnsent in the system and less than one
  // segment gathered here: where a segment holds more than a write (loopback's hold 32 KiB
  // and more), writes are sent a segment's worth at a time, since each send costs a
  // segment of its own.
  void Write(const void* buffer, UINT count);
  // Returns when the server has acknowledged every byte written so far, so that the time
  // of an upload ends with its data at the server; what Write gathered is sent first.
  // Throws at the data time-out. False at
  // once where the system cannot tell (Winsock before Windows 10 1703, Wine).
  bool Flush();
  // Ends the transfer and waits for the server's final reply: an upload is then complete
  // on the server. A refusal of a transfer that reached its end throws; a download closed
  // before its end is abandoned quietly.
  void Close();
  // What the system tells of the data connection's path; false when it tells nothing.
  bool QueryPath(socket_api::PathInfo* info) const {
    return m_data.QueryPath(info);
  }

 private:
  friend class CFtpConnection;

  CInternetFile(CFtpConnection* connection, TcpSocket data, bool writing);
  void Finish(bool reportFailure);
  void SendGathered();

  CFtpConnection* m_pConnection;
  TcpSocket m_data;
  bool m_bWriting;
  bool m_bEndReached = false;
  char* m_pReceived;  // downloads only: the connection's buffer of bytes received, not yet read
  std::size_t m_nReceivedStart = 0;
  std::size_t m_nReceivedEnd = 0;
  std::string m_gathered;  // uploads only: written, not yet sent
  std::size_t m_nGatherUpTo = 0;
};
