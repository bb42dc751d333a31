// One FTP session of the whole line's measurement: logs in anonymously, then moves one file
// again and again in one direction over active-mode data connections, counting the bytes and
// throwing them away, until it is told to stop; a file it sent is deleted before it quits.
// Non-blocking: its owner polls the sockets it names and lets it go on with whatever is
// ready, so that one thread drives many sessions side by side and stays free to pump its
// window between slices. It never throws; a session that fails says why.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "ftp/ftp_dialogue.h"
#include "ftp/ftp_reply.h"
#include "ftp/socket_api.h"
#include "ftp/tcp_socket.h"

struct CLineSessionPlan {
  sockaddr_storage server{};
  std::string user;
  std::string password;
  std::string folder;  // the folder of `file`
  std::string file;    // fetched again and again, or the name each upload goes to
  bool upload = false;
  std::size_t uploadBytes = 0;  // each upload's size
  int timeoutMs = 10000;        // a wait with no progress that long fails the session
};

class CLineSession {
 public:
  // Starts connecting at `nowMs` (the clock of `env`).
  CLineSession(const CEnvironment& env, CLineSessionPlan plan, long long nowMs);
  CLineSession(const CLineSession&) = delete;
  CLineSession& operator=(const CLineSession&) = delete;
  // Closes whatever is still open.
  ~CLineSession();

  // Adds the sockets it waits on now to `entries`.
  void Waits(std::vector<socket_api::PollEntry>* entries) const;
  // Goes on with whatever is ready, and fails a wait that made no progress in time.
  void Advance(long long nowMs);
  // Ends the session: a transfer under way is cut, a file sent is deleted, then QUIT. It
  // goes on through Advance until Done.
  void Stop(long long nowMs);

  bool Done() const { return m_state == State::kDone || m_state == State::kFailed; }
  // Failed: what went wrong. Refused: the server would not have the session at all (a
  // negative reply to its greeting or log-in, such as 421 for too many sessions).
  bool Failed() const { return m_state == State::kFailed; }
  bool Refused() const { return m_refused; }
  const std::string& Failure() const { return m_failure; }
  // Bytes of file data moved so far: received, or sent and acknowledged by the server where
  // the system tells (a router's queue filling up would otherwise count as the line's rate).
  unsigned long long Bytes() const;
  // Bytes of file data received or handed to the system, counted or not.
  unsigned long long Moved() const { return m_bytes; }
  // An upload's bytes sent again so far, the data connection under way included.
  unsigned long long Retransmitted() const;
  // The system could not tell what the server acknowledged: the upload counts what it
  // handed over, with the send buffer bounded.
  bool CountsHandedOver() const { return m_countsHandedOver; }
  // The file it fetches or sends to.
  const std::string& File() const { return m_plan.file; }
  // What the system told of the upload's data connections: bytes sent, retransmissions
  // included, and sent again; both 0 where it tells nothing.
  unsigned long long PathBytesSent() const { return m_pathSent; }
  unsigned long long PathBytesRetransmitted() const { return m_pathRetransmitted; }
  // An upload's file that may still lie on the server: sent to and not deleted.
  bool LeftFile() const { return m_dialogue.MayHaveStored(); }
  // The data connection now moving data; kNoSocket between files.
  SocketHandle DataSocket() const;

 private:
  enum class State {
    kConnecting,
    kGreeting,
    kLogIn,
    kType,
    kFolder,
    kPort,
    kTransfer,  // RETR or STOR said: the data connection and the replies
    kDelete,
    kQuit,
    kDone,
    kFailed,
  };
  bool WouldBlock() const;

  void OnReply(const FtpReply& reply, long long nowMs);
  void OnTransferReply(const FtpReply& reply, FtpVerdict verdict, long long nowMs);
  void ReadControl(long long nowMs);
  // An upload's bytes handed over that the server has not acknowledged; 0 for a download.
  // The data connection stays open after its last byte until the server's final reply, so
  // that each byte counts when the server acknowledges it, not all at once with the reply.
  unsigned long long Unconfirmed() const;
  void AcceptDataConnection(long long nowMs);
  void MoveData(long long nowMs);
  // Sends a line the dialogue began; the session goes on in `next`.
  void Send(const std::string& line, State next);
  void Say(FtpStep step, const std::string& argument, State next);
  // Listens for the next data connection and says where (PORT or EPRT).
  void OfferDataConnection();
  // The listener of the transfer under way.
  CSocketLayer& Sockets() const { return m_env.sockets; }
  TcpSocket& Listener() { return m_listeners[m_listenerIndex]; }
  const TcpSocket& Listener() const { return m_listeners[m_listenerIndex]; }
  void CloseListeners();
  // What the system tells of an upload's open data connection; false for none.
  bool UploadPath(socket_api::PathInfo* path) const;
  // Adds the data connection's counts of bytes sent and sent again, as it closes.
  void NotePathCounts();
  // The transfer ended with its data and its final reply: the next, or the way out.
  void TransferDone(long long nowMs);
  void LeaveAfterTransfer();
  void Fail(const std::string& why);
  // RETR or STOR is said and its data connection has not come yet.
  bool AwaitsDataConnection() const {
    return m_state == State::kTransfer && Listener().IsOpen() && !m_accepted && !m_dataEnded;
  }
  void Progress(long long nowMs) { m_deadline = nowMs + m_plan.timeoutMs; }

  CLineSessionPlan m_plan;
  State m_state = State::kConnecting;
  const CEnvironment& m_env;
  TcpSocket m_control;
  // A server that connects from one port (20) would open a data connection with the previous
  // file's four addresses and ports, still held for a minute after its close by whichever end
  // closed first. An upload's data connection therefore comes to the next of a few listeners
  // in turn (its own end holds the port: one for each file would use up the system's ports
  // on a fast line), a download's to a new listener (the server's end holds it). A 425 is
  // tried once more on new ports.
  std::array<TcpSocket, 4> m_listeners;
  std::array<sockaddr_storage, 4> m_listening{};
  std::size_t m_listenerIndex = 0;
  TcpSocket m_data;
  FtpReplyParser m_replies;
  FtpReply m_reply;  // the latest reply, whose text's storage serves the next one
  CFtpDialogue m_dialogue;
  long long m_deadline = 0;
  unsigned long long m_bytes = 0;
  unsigned long long m_pathSent = 0;
  unsigned long long m_pathRetransmitted = 0;
  std::size_t m_sentOfFile = 0;
  bool m_preliminary = false;  // 150 or 125 to the transfer under way
  bool m_finalReply = false;   // the transfer's final reply came
  bool m_dataEnded = false;
  bool m_accepted = false;  // the transfer's data connection came
  bool m_stopping = false;
  bool m_refused = false;
  int m_dataRefusals = 0;  // 425s in a row: the server could not connect
  bool m_countsHandedOver = false;
  std::string m_failure;
};
