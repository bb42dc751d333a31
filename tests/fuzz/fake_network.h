// An FTP server and the network to it, in memory and on a virtual clock, played from a
// script of bytes: the environment it hands a run (socket_api_fake.cpp) serves the FTP client
// from it, so that a whole test run takes microseconds and a 30 s time-out costs nothing.
//
// The script is read a byte at a time, only at the server's decisions, in the order they
// come; once it is used up, every decision is the well-behaved one (a zero byte), so that
// every script plays a whole session. The decisions:
//   session start   1 byte: bit 0 the server's family (IPv6 when set); bits 1-7, when not 0,
//                   after how many progress reports and wait slices (of 100 ms) the user
//                   closes the window (counted anew at each direction of the whole line)
//   the system      1 byte: bits 0-3, when not 0, which local file write fails (disk
//                   full); bit 4 it cannot tell what the peer acknowledged (Wine); bit 5
//                   it has no bound on unsent data (Winsock), so writes wait on its counts;
//                   bit 6 it tells the data connections' round trip, as TellPath; bit 7
//                   the run measures the whole line, over a line of 1 byte more: its low
//                   4 bits + 1 quarters of a Mbit/s, each connection a quarter at most
//                   (slow, so that a whole line's virtual seconds cost few files and
//                   commands); its high bits % 8, when not 0, the sessions the server has
//                   at once
//   TCP connect     1 byte % 8: 5 refused at once, 6 refused later, 7 never answers; else made
//   each reply      1 byte, for the greeting, every command and every transfer's end. Its
//                   high 4 bits: 0 the client reads the reply whole, else in pieces of at
//                   most that many bytes. Its low 4 bits:
//                     0-9  the expected reply
//                     10   the expected reply, 1 + next byte × 50 ms late
//                     11   a reply of `next byte` raw bytes from the script; 255: a
//                          line of 16 KiB of the byte after
//                     12   a reply with the code of the next byte's pick, one or three lines
//                     13   the control connection closes; 14 it is reset; 15 silence
//                   A preliminary reply (1xx) to the greeting is followed by another.
//   a 1xx to RETR   1 byte for the data connection: its low 3 bits 5 another host connects
//   or STOR         first, 6 only another host connects, 7 nobody connects, else the
//                   server; its high 5 bits × 250 ms the virtual time the data takes. Then
//                   for RETR 2 bytes, the data's length (little-endian; 0 is the whole file), and
//                   1 byte % 4: 3 the data connection is reset halfway; else it closes at
//                   the end. For STOR 1 byte: 0 the server reads all; else it reads that
//                   many KiB, then stops reading (odd) or resets the connection (even).
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "ftp/environment.h"
#include "kernel/file_system.h"
#include "kernel/types.h"

namespace fake_network {

// Starts a new session on `script` (which must outlive it) at virtual time 0.
void StartSession(const std::uint8_t* data, std::size_t size);
// Forgets the session: the network, the server and the local files. A fuzzed input must leave
// nothing allocated, or libFuzzer runs it again to look for a leak.
void EndSession();

// For tests that script a case by name: the `decision` bytes are read first for the nth
// (from 1) answer to `key` (a verb, "GREETING", "RETR END" or "STOR END") and what follows
// from it; and the transfers' data take `ms` each, in their order, whatever the script says.
// Both last until the next session starts.
void ScriptAnswer(const std::string& key, int nth, std::vector<std::uint8_t> decision);
void TimeTransfers(std::vector<long long> ms);
// The system tells the data connections' round trip: each look returns the next of `rttMs`
// (the last repeats), the receiver's for a download and the sender's for an upload, and an
// upload sent again `retransmittedPerMille` of each 1000 bytes. Until a session is told,
// the system tells nothing of the path, as Wine.
void TellPath(std::vector<double> rttMs, unsigned retransmittedPerMille);

// The line that carries the data of the whole line's sessions (those opened while another
// is open), shared among their data connections, each at most `connectionMbit`; the server
// refuses a session beyond `sessionLimit` at once with 421 (0: any number). Without it, or
// for the run's own session, data moves at once, as the script times it.
void CarryLine(double lineMbit, double connectionMbit, int sessionLimit);
bool LineCarried();

// Whether this local file write is the one that fails.
bool FailLocalWrite();

// After how many progress reports the user closes the window; 0 never.
int CloseAfterReports();

// The virtual clock.
long long NowMs();
// What a run is handed to play against the session: the virtual clock, whose tick counter
// starts at `tickBaseMs` (one near 2^32 makes it wrap), so that the transfers are timed on
// it; the sockets to the scripted server; and the local files in memory.
const CEnvironment& Environment(DWORD tickBaseMs = 0);
// The local files in memory alone (local_file_fake.cpp).
CFileSystem& LocalFiles();

// Whether the server made a transfer fail (a reset, a refusal at its end, a server that
// stopped reading): a run that reports a result after it is wrong.
bool ServerFailedATransfer();

// The commands the client sent, in order.
std::vector<std::string> Commands();

// The files uploaded to the server and not deleted, by the names STOR gave.
const std::set<std::string>& ServerFiles();

// How many sockets the client holds open.
int OpenSockets();

// The local files (local_file_fake.cpp): how many exist, and forgetting them all.
std::size_t LocalFileCount();
void ForgetLocalFiles();

}  // namespace fake_network
