// The sockets and the clock of fake_network's environment: the scripted server on a virtual
// clock, so that the FTP client above them runs unchanged.
#include <errno.h>
#include <string.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "ftp/environment.h"
#include "ftp/socket_api.h"
#include "kernel/clock.h"
#include "speedtest/run_constants.h"
#include "tests/fuzz/fake_network.h"
#include "tests/support/ftp_replies.h"

namespace {

constexpr long long kNever = 1LL << 60;
constexpr unsigned short kServerPort = 21;

enum class Kind { kNew, kControl, kListener, kData };

struct ServerSession;

struct FakeSocket {
  bool open = true;
  Kind kind = Kind::kNew;
  int family = AF_INET;
  bool connecting = false;           // a connect still under way
  int connectOutcome = 0;            // what it ends in
  long long readyAt = 0;             // when it is writable (a connect) or its data arrives
  bool impostor = false;             // a data connection from another host
  unsigned short port = 0;           // a listener's
  SocketHandle owner = kNoSocket;    // a data connection's session, by its control socket
  ServerSession* session = nullptr;  // a control connection's, in Network::sessions
};

// One transfer's data connection as the server plays it.
struct Transfer {
  bool active = false;
  bool retrieve = false;
  int arrivals = 0;  // connections still to arrive at the listener: impostor first
  bool impostorFirst = false;
  bool realArrives = true;
  std::size_t length = 0;  // RETR: bytes to send; STOR: bytes it reads before it stops
  std::size_t moved = 0;
  bool resetHalfway = false;   // RETR
  bool readsAll = true;        // STOR
  bool resetsAtLimit = false;  // STOR
  SocketHandle dataSocket = kNoSocket;
  long long durationMs = 0;  // virtual time the data takes, spent at its end
  bool durationSpent = false;
  // On the line: bytes the line has carried and the client not yet moved; for an upload
  // negative, the bytes handed over and not yet carried (not yet acknowledged).
  double credit = 0.0;
  bool sendEnded = false;  // STOR: the client ended its data while the line still carries it
};

// One control connection's session with the server.
struct ServerSession {
  // Opened while another was open: one of the whole line's sessions, whose transfers the
  // line carries, and whose failures cost the run nothing.
  bool line = false;
  std::string fromClient;
  // The replies on their way, read from toClientRead on: a reply of 16 KiB read a byte at a
  // time would cost its whole length again for each byte taken off its front.
  std::string toClient;
  std::size_t toClientRead = 0;
  long long toClientAt = 0;  // when what is in toClient arrives
  bool closed = false;
  bool reset = false;
  bool silent = false;
  std::size_t piece = 0;  // the latest reply reaches the client in reads of this size; 0 whole
  unsigned short offeredPort = 0;  // the port PORT or EPRT named last
  Transfer transfer;
};

struct Network {
  const std::uint8_t* script = nullptr;
  std::size_t size = 0;
  std::size_t at = 0;
  long long nowUs = 0;
  int lastError = 0;
  static constexpr SocketHandle kFirstHandle = 100;
  int closeAfterReports = 0;
  int family = AF_INET;
  unsigned short nextPort = 40000;
  // Every socket made, by its handle from kFirstHandle on: a deque, so that a socket stays
  // where it is while others are made.
  std::deque<FakeSocket> sockets;
  std::map<SocketHandle, ServerSession> sessions;  // by control socket
  bool failedTransfer = false;                     // in a session of the run's own (not the line's)
  // The commands the client sent, each ended by a line feed (a command holds none): one
  // string for them all, so that a command costs no allocation of its own.
  std::string commands;
  std::set<std::string> files;  // the files uploaded and not deleted
  // The system: which local write fails (0 none), and what it cannot tell of sent data.
  int failingWrite = 0;
  bool cannotTellAcknowledged = false;
  bool noUnsentBound = false;
  // The line the whole line's sessions share, in bytes per microsecond: its rate and what
  // one connection carries at most (TCP's window over the round trip); 0 when not set.
  double lineBytesPerUs = 0.0;
  double connectionBytesPerUs = 0.0;
  int sessionLimit = 0;  // sessions the server has at once; 0 any

  // A test's own decisions: for the nth answer to a key, bytes read before the script's;
  // and the virtual time each transfer's data takes, in place of the script's.
  std::map<std::pair<std::string, int>, std::vector<std::uint8_t>> answers;
  std::map<std::string, int> answered;
  std::vector<std::uint8_t> ahead;
  std::vector<long long> transferMs;
  std::size_t transfers = 0;
  // What the system tells of a data connection's path; nothing unless a test says.
  std::vector<double> pathRttMs;
  std::size_t pathLooks = 0;
  unsigned retransmittedPerMille = 0;

  std::uint8_t Byte() {
    if (!ahead.empty()) {
      const std::uint8_t byte = ahead.front();
      ahead.erase(ahead.begin());
      return byte;
    }
    return at < size ? script[at++] : 0;
  }
  long long NowMs() const { return nowUs / 1000; }
  void Advance(long long ms) { Elapse(ms * 1000); }
  void Elapse(long long us);
};

Network g_net;

// Chunks the line's data comes in: a data connection is ready once this much has arrived
// (or the rest of its file), so that the virtual clock moves in steps that cost few polls.
constexpr double kLineChunkBytes = 64 * 1024;
// What the line holds for a client that does not read or write: the socket's buffer.
constexpr double kLineBufferBytes = 256 * 1024;
// The line's round trip, for each reply of a session while a line is set; a full line
// queues, and its data connections then tell a round trip longer by this.
constexpr long long kLineRttMs = 10;
constexpr double kLineQueueMs = 20.0;

FakeSocket* Find(SocketHandle handle) {
  const std::size_t index = static_cast<std::size_t>(handle - Network::kFirstHandle);
  if (handle < Network::kFirstHandle || index >= g_net.sockets.size()) return nullptr;
  FakeSocket& socket = g_net.sockets[index];
  return socket.open ? &socket : nullptr;
}

ServerSession* SessionOf(SocketHandle control) {
  FakeSocket* socket = Find(control);
  return socket ? socket->session : nullptr;
}

// Whether the line carries this transfer's data now.
bool Carried(const ServerSession& session) {
  const Transfer& t = session.transfer;
  return g_net.lineBytesPerUs > 0 && session.line && t.active && t.dataSocket != kNoSocket &&
         (!t.retrieve || t.moved < t.length);
}

// Each carried connection's share of the line, in bytes per microsecond.
double LineShare() {
  int carried = 0;
  for (const auto& entry : g_net.sessions) carried += Carried(entry.second);
  if (carried == 0) return 0.0;
  return std::min(g_net.connectionBytesPerUs, g_net.lineBytesPerUs / carried);
}

void EndTransfer(ServerSession& session);

void Network::Elapse(long long us) {
  if (lineBytesPerUs <= 0) {
    nowUs += us;
    return;
  }
  const double share = LineShare();
  for (auto& entry : sessions) {
    if (!Carried(entry.second)) continue;
    Transfer& t = entry.second.transfer;
    // An upload's line carries only what the client handed over.
    const double most = t.retrieve ? kLineBufferBytes : 0.0;
    t.credit = std::min(most, t.credit + share * static_cast<double>(us));
  }
  nowUs += us;
  // An upload whose data the line has carried to its end: the server has it all.
  for (auto& entry : sessions) {
    const Transfer& t = entry.second.transfer;
    if (t.active && t.sendEnded && t.credit >= 0.0) EndTransfer(entry.second);
  }
}

void FailTransfer(const ServerSession& session) {
  if (!session.line) g_net.failedTransfer = true;
}

// When an upload that the client ended has all its data carried; kNever for none.
long long DrainedAt(const ServerSession& session) {
  const Transfer& t = session.transfer;
  if (!t.active || !t.sendEnded) return kNever;
  const double share = LineShare();
  if (share <= 0.0) return kNever;
  // A millisecond at least: a wait that ends now would never let the clock move.
  return g_net.NowMs() + std::max(1LL, static_cast<long long>(-t.credit / share / 1000.0 + 0.999));
}

// The transfer's data has taken its time, once it ends.
void SpendDuration(Transfer& t) {
  if (t.durationSpent) return;
  t.durationSpent = true;
  g_net.Advance(t.durationMs);
}

const std::string& ExpectedReply(std::string_view key) {
  static const std::string notImplemented = "502 not implemented\r\n";
  const auto found = WellBehavedFtpReplies().find(key);
  return found == WellBehavedFtpReplies().end() ? notImplemented : found->second;
}

std::string PickedReply(std::uint8_t pick) {
  static const int codes[] = {110, 120, 125, 150, 200, 202, 220, 221, 226, 230, 250, 257,
                              331, 332, 421, 425, 426, 450, 500, 501, 530, 550, 553, 999};
  const int code = codes[(pick & 0x7f) % (sizeof codes / sizeof codes[0])];
  const std::string number = std::to_string(code);
  if (pick & 0x80) return number + "-first line\r\n inner line\r\n" + number + " last line\r\n";
  return number + " picked reply\r\n";
}

void StartTransfer(ServerSession& session, bool retrieve);

// The server's answer to `key` (a verb, "GREETING" or "RETR END"/"STOR END"), as the
// script decides.
void Answer(ServerSession& session, std::string_view key) {
  if (session.closed || session.reset || session.silent) return;
  // Counted only where a test scripted answers (before the run): a fuzzed session needs no
  // count, and its every reply would pay for one.
  if (!g_net.answers.empty()) {
    const std::string name(key);
    const auto scripted = g_net.answers.find({name, ++g_net.answered[name]});
    if (scripted != g_net.answers.end()) g_net.ahead = scripted->second;
  }
  // The expected reply is appended as it stands; only a scripted one is made.
  const std::string* reply = &ExpectedReply(key);
  std::string made;
  long long delayMs = 0;
  const std::uint8_t decision = g_net.Byte();
  session.piece = decision >> 4;
  switch (decision & 0x0f) {
    case 10:
      delayMs = 1 + g_net.Byte() * 50LL;
      break;
    case 11: {
      const std::size_t length = g_net.Byte();
      reply = &made;
      if (length == 0xff) {
        made.assign(16 * 1024, static_cast<char>(g_net.Byte()));
        break;
      }
      for (std::size_t i = 0; i < length; ++i) made += static_cast<char>(g_net.Byte());
      break;
    }
    case 12:
      made = PickedReply(g_net.Byte());
      reply = &made;
      break;
    case 13:
      session.closed = true;
      return;
    case 14:
      session.reset = true;
      return;
    case 15:
      session.silent = true;
      return;
    default:
      break;
  }
  if (g_net.lineBytesPerUs > 0) delayMs += kLineRttMs;
  if (session.toClient.empty()) session.toClientAt = g_net.NowMs() + delayMs;
  session.toClient += *reply;
  const bool preliminary = !reply->empty() && (*reply)[0] == '1';
  if (preliminary && (key == "RETR" || key == "STOR")) StartTransfer(session, key == "RETR");
  // A server that says it is not ready yet (120) greets again later.
  if (preliminary && key == "GREETING") Answer(session, key);
}

// The command the client sent last, without its line feed.
std::string_view LastCommand() {
  std::string_view log(g_net.commands);
  log.remove_suffix(1);
  return log.substr(log.rfind('\n') + 1);
}

// The size of the test file that `retrieve` (the RETR line) names; 1000 for any other.
std::size_t WholeFileBytes(std::string_view retrieve) {
  const std::string_view file = retrieve.substr(retrieve.find(' ') + 1);
  if (file == kSmallTestFile) return kSmallTestFileBytes;
  if (file == kLargeTestFile) return kLargeTestFileBytes;
  return 1000;
}

void StartTransfer(ServerSession& session, bool retrieve) {
  Transfer& t = session.transfer;
  t = Transfer();
  t.active = true;
  t.retrieve = retrieve;
  const std::uint8_t arrival = g_net.Byte();
  t.durationMs = (arrival >> 3) * 250LL;
  if (g_net.transfers < g_net.transferMs.size()) t.durationMs = g_net.transferMs[g_net.transfers];
  ++g_net.transfers;
  switch (arrival % 8) {
    case 5:
      t.impostorFirst = true;
      break;
    case 6:
      t.impostorFirst = true;
      t.realArrives = false;
      break;
    case 7:
      t.realArrives = false;
      break;
    default:
      break;
  }
  t.arrivals = (t.impostorFirst ? 1 : 0) + (t.realArrives ? 1 : 0);
  if (!t.realArrives) FailTransfer(session);
  if (retrieve) {
    const std::size_t low = g_net.Byte();
    const std::size_t length = low | static_cast<std::size_t>(g_net.Byte()) << 8;
    const std::size_t whole = WholeFileBytes(LastCommand());
    t.length = length == 0 ? whole : length;
    // A download of any other length is no copy of the file, whatever the server says.
    if (t.length != whole) FailTransfer(session);
    t.resetHalfway = g_net.Byte() % 4 == 3;
    if (t.resetHalfway) FailTransfer(session);
  } else {
    const std::uint8_t limit = g_net.Byte();
    t.readsAll = limit == 0;
    t.length = static_cast<std::size_t>(limit) * 1024;
    t.resetsAtLimit = limit % 2 == 0;
  }
}

// The client closed the data connection (or it ended): the server's final reply follows.
void EndTransfer(ServerSession& session) {
  Transfer& t = session.transfer;
  if (!t.active) return;
  t.active = false;
  t.dataSocket = kNoSocket;
  const std::size_t before = session.toClient.size();
  Answer(session, t.retrieve ? "RETR END" : "STOR END");
  // Anything but a completion, or nothing at all, fails the transfer.
  const bool completion = session.toClient.size() > before && session.toClient[before] == '2';
  if (!completion) FailTransfer(session);
}

// The port that a PORT or EPRT argument names; 0 for none.
unsigned short OfferedPort(std::string_view verb, const std::string& argument) {
  unsigned high = 0, low = 0, port = 0;
  if (verb == "PORT" && std::sscanf(argument.c_str(), "%*u,%*u,%*u,%*u,%u,%u", &high, &low) == 2) {
    return static_cast<unsigned short>(high * 256 + low);
  }
  const std::size_t last = argument.find_last_of('|', argument.size() - 2);
  if (verb == "EPRT" && argument.size() > 2 && last != std::string::npos &&
      std::sscanf(argument.c_str() + last + 1, "%u", &port) == 1) {
    return static_cast<unsigned short>(port);
  }
  return 0;
}

void Command(ServerSession& session, std::string_view command) {
  g_net.commands.append(command);
  g_net.commands += '\n';
  const std::size_t space = command.find(' ');
  const std::string_view verb = command.substr(0, space);
  const std::string_view argument =
      space == std::string::npos ? command.substr(command.size()) : command.substr(space + 1);
  // A command while a transfer is open: the server forgets the transfer.
  if (session.transfer.active && session.transfer.dataSocket == kNoSocket) {
    session.transfer.active = false;
  }
  if (verb == "PORT" || verb == "EPRT")
    session.offeredPort = OfferedPort(verb, std::string(argument));
  // The fake server has one folder for uploads: a path names the file at its end.
  if (verb == "DELE") g_net.files.erase(std::string(argument.substr(argument.rfind('/') + 1)));
  const std::size_t before = session.toClient.size();
  Answer(session, verb);
  // The server makes the file as STOR comes, before it connects: only a refusal (5xx)
  // leaves none.
  const bool refused = session.toClient.size() > before && session.toClient[before] == '5';
  if (verb == "STOR" && !refused) g_net.files.insert(std::string(argument));
}

// A control connection is made: the server greets it, or refuses it when it has as many
// sessions as it will have at once.
void Connected(SocketHandle handle, FakeSocket& socket) {
  socket.kind = Kind::kControl;
  ServerSession session;
  session.line = !g_net.sessions.empty();
  const bool refused =
      g_net.sessionLimit > 0 && static_cast<int>(g_net.sessions.size()) >= g_net.sessionLimit;
  ServerSession& made = g_net.sessions[handle] = session;
  socket.session = &made;
  if (refused) {
    made.toClient = "421 There are too many connections from your internet address.\r\n";
    made.toClientAt = g_net.NowMs();
    made.closed = true;
    return;
  }
  Answer(made, "GREETING");
}

sockaddr_storage ServerAddress(bool impostor = false) {
  sockaddr_storage address{};
  if (g_net.family == AF_INET6) {
    auto& v6 = reinterpret_cast<sockaddr_in6&>(address);
    v6.sin6_family = AF_INET6;
    v6.sin6_addr = in6addr_loopback;
    if (impostor) v6.sin6_addr.s6_addr[14] = 1;
    v6.sin6_port = htons(kServerPort);
  } else {
    auto& v4 = reinterpret_cast<sockaddr_in&>(address);
    v4.sin_family = AF_INET;
    v4.sin_addr.s_addr = htonl(impostor ? 0x7f000002 : 0x7f000001);
    v4.sin_port = htons(kServerPort);
  }
  return address;
}

int Fail(int error) {
  g_net.lastError = error;
  return -1;
}

// The session (by its control socket) whose transfer awaits a data connection at
// `listener`; kNoSocket for none.
SocketHandle AwaitingAt(const FakeSocket& listener) {
  for (const auto& entry : g_net.sessions) {
    const Transfer& t = entry.second.transfer;
    if (entry.second.offeredPort == listener.port && t.active && t.arrivals > 0 &&
        t.dataSocket == kNoSocket) {
      return entry.first;
    }
  }
  return kNoSocket;
}

// The session and transfer that the data connection `handle` moves; null for an impostor's
// or one whose transfer is over.
ServerSession* TransferOf(SocketHandle handle, const FakeSocket& socket) {
  if (socket.kind != Kind::kData || socket.impostor) return nullptr;
  ServerSession* session = SessionOf(socket.owner);
  if (!session || !session->transfer.active || session->transfer.dataSocket != handle) {
    return nullptr;
  }
  return session;
}

// What a carried connection may move now: what the line carried for a download; for an
// upload, as much as the socket's buffer holds beyond what the line has carried.
double Room(const Transfer& t) {
  return t.retrieve ? t.credit : t.credit + kLineBufferBytes;
}

// When a carried connection has a chunk to read or room for one to write.
long long LineReadyAt(const Transfer& t) {
  const long long now = g_net.NowMs();
  const double wanted = t.retrieve
                            ? std::min(kLineChunkBytes, static_cast<double>(t.length - t.moved))
                            : kLineChunkBytes;
  const double share = LineShare();
  if (Room(t) >= wanted || share <= 0) return now;
  const double waitUs = (wanted - Room(t)) / share;
  return now + std::max(1LL, static_cast<long long>(waitUs / 1000.0 + 0.999));
}

// When `socket` becomes ready for what is asked; kNever when it does not.
long long ReadyAt(SocketHandle handle, FakeSocket& socket, bool forWriting) {
  const long long now = g_net.NowMs();
  switch (socket.kind) {
    case Kind::kNew:
      return socket.connecting && forWriting ? socket.readyAt : kNever;
    case Kind::kControl: {
      const ServerSession* session = SessionOf(handle);
      if (forWriting || !session || session->closed || session->reset) return now;
      return session->toClient.empty() ? DrainedAt(*session) : std::max(now, session->toClientAt);
    }
    case Kind::kListener:
      return !forWriting && AwaitingAt(socket) != kNoSocket ? now : kNever;
    case Kind::kData: {
      const ServerSession* session = TransferOf(handle, socket);
      if (!session) return now;
      const Transfer& t = session->transfer;
      // A server that stopped reading takes nothing more, however fast the line.
      const bool stopped = !t.readsAll && t.moved >= t.length && !t.resetsAtLimit;
      if (forWriting && stopped) return kNever;
      if (Carried(*session)) return LineReadyAt(t);
      return now;
    }
  }
  return kNever;
}

// What the line lets a carried connection move now, of `size` bytes asked.
std::size_t LineAllows(const ServerSession& session, std::size_t size) {
  if (!Carried(session)) return size;
  return std::min(size, static_cast<std::size_t>(std::max(0.0, Room(session.transfer))));
}

}  // namespace

namespace fake_network {

void StartSession(const std::uint8_t* data, std::size_t size) {
  g_net = Network();
  g_net.script = data;
  g_net.size = size;
  const std::uint8_t start = g_net.Byte();
  g_net.family = start & 1 ? AF_INET6 : AF_INET;
  g_net.closeAfterReports = start >> 1;
  const std::uint8_t system = g_net.Byte();
  g_net.failingWrite = system & 0x0f;
  g_net.cannotTellAcknowledged = (system & 0x10) != 0;
  g_net.noUnsentBound = (system & 0x20) != 0;
  if (system & 0x40) fake_network::TellPath({20.0, 150.0, 300.0}, 10);
  if (system & 0x80) {
    const std::uint8_t line = g_net.Byte();
    CarryLine((1 + (line & 0x0f)) / 4.0, 0.25, (line >> 4) % 8);
  }
}

void EndSession() {
  g_net = Network();
  ForgetLocalFiles();
}

void ScriptAnswer(const std::string& key, int nth, std::vector<std::uint8_t> decision) {
  g_net.answers[{key, nth}] = std::move(decision);
}

void TimeTransfers(std::vector<long long> ms) {
  g_net.transferMs = std::move(ms);
}

void TellPath(std::vector<double> rttMs, unsigned retransmittedPerMille) {
  g_net.pathRttMs = std::move(rttMs);
  g_net.retransmittedPerMille = retransmittedPerMille;
}

void CarryLine(double lineMbit, double connectionMbit, int sessionLimit) {
  // A megabit per second is 1/8 byte per microsecond.
  g_net.lineBytesPerUs = lineMbit / 8.0;
  g_net.connectionBytesPerUs = connectionMbit / 8.0;
  g_net.sessionLimit = sessionLimit;
}

bool LineCarried() {
  return g_net.lineBytesPerUs > 0;
}

bool FailLocalWrite() {
  return g_net.failingWrite != 0 && --g_net.failingWrite == 0;
}

int CloseAfterReports() {
  return g_net.closeAfterReports;
}

long long NowMs() {
  return g_net.NowMs();
}

bool ServerFailedATransfer() {
  return g_net.failedTransfer;
}

std::vector<std::string> Commands() {
  std::vector<std::string> commands;
  for (std::size_t at = 0, end; (end = g_net.commands.find('\n', at)) != std::string::npos;
       at = end + 1) {
    commands.push_back(g_net.commands.substr(at, end - at));
  }
  return commands;
}

const std::set<std::string>& ServerFiles() {
  return g_net.files;
}

int OpenSockets() {
  return static_cast<int>(std::count_if(g_net.sockets.begin(), g_net.sockets.end(),
                                        [](const FakeSocket& socket) { return socket.open; }));
}

}  // namespace fake_network

using namespace socket_api;

namespace {

class FakeSockets final : public CSocketLayer {
  static SocketHandle Add(const FakeSocket& socket) {
    g_net.sockets.push_back(socket);
    return Network::kFirstHandle + static_cast<SocketHandle>(g_net.sockets.size() - 1);
  }

 public:
  int LastError() override { return g_net.lastError; }

  Failure Classify(int error) override {
    switch (error) {
      case EAGAIN:
        return Failure::kWouldBlock;
      case EINPROGRESS:
        return Failure::kInProgress;
      case EINTR:
        return Failure::kInterrupted;
      case ECONNRESET:
        return Failure::kReset;
      case ECONNREFUSED:
        return Failure::kRefused;
      default:
        return Failure::kOther;
    }
  }

  std::string ErrorText(int error) override { return strerror(error); }

  // Every name of the in-memory network is its server's; offline, as the system's resolver, it
  // knows only an address literal.
  bool Resolve(const std::string& host, unsigned short, int, bool offline,
               std::vector<sockaddr_storage>* found, std::string* failure) override {
    in6_addr literal;
    if (offline && ::inet_pton(AF_INET, host.c_str(), &literal) != 1 &&
        ::inet_pton(AF_INET6, host.c_str(), &literal) != 1) {
      *failure = "not an address";
      return false;
    }
    if (host.empty()) {
      *failure = "no such host";
      return false;
    }
    found->push_back(ServerAddress());
    return true;
  }

  SocketHandle NewStreamSocket(int family) override {
    FakeSocket socket;
    socket.family = family;
    return Add(socket);
  }

  void Close(SocketHandle handle) override {
    FakeSocket* socket = Find(handle);
    if (!socket) return;
    if (socket->session) g_net.sessions.erase(handle);
    socket->session = nullptr;
    ServerSession* session = TransferOf(handle, *socket);
    if (session) EndTransfer(*session);
    socket->open = false;
  }

  int Connect(SocketHandle handle, const sockaddr_storage&) override {
    FakeSocket* socket = Find(handle);
    if (!socket) return Fail(EBADF);
    switch (g_net.Byte() % 8) {
      case 5:
        return Fail(ECONNREFUSED);
      case 6:
        socket->connecting = true;
        socket->connectOutcome = ECONNREFUSED;
        socket->readyAt = g_net.NowMs() + 5;
        return Fail(EINPROGRESS);
      case 7:
        socket->connecting = true;
        socket->readyAt = kNever;
        return Fail(EINPROGRESS);
      default:
        break;
    }
    // Over a line, a connection takes its round trip.
    if (g_net.lineBytesPerUs > 0) {
      socket->connecting = true;
      socket->readyAt = g_net.NowMs() + kLineRttMs;
      return Fail(EINPROGRESS);
    }
    Connected(handle, *socket);
    return 0;
  }

  int ConnectOutcome(SocketHandle handle) override {
    FakeSocket* socket = Find(handle);
    if (!socket) return EBADF;
    socket->connecting = false;
    if (socket->connectOutcome != 0) return socket->connectOutcome;
    Connected(handle, *socket);
    return 0;
  }

  int Bind(SocketHandle handle, const sockaddr_storage&) override {
    FakeSocket* socket = Find(handle);
    if (!socket) return Fail(EBADF);
    socket->port = g_net.nextPort++;
    return 0;
  }

  int Listen(SocketHandle handle, int) override {
    FakeSocket* socket = Find(handle);
    if (!socket) return Fail(EBADF);
    socket->kind = Kind::kListener;
    return 0;
  }

  int LocalAddress(SocketHandle handle, sockaddr_storage* address) override {
    FakeSocket* socket = Find(handle);
    if (!socket) return Fail(EBADF);
    *address = ServerAddress();
    if (address->ss_family == AF_INET6) {
      reinterpret_cast<sockaddr_in6*>(address)->sin6_port = htons(socket->port);
    } else {
      reinterpret_cast<sockaddr_in*>(address)->sin_port = htons(socket->port);
    }
    return 0;
  }

  int PeerAddress(SocketHandle handle, sockaddr_storage* address) override {
    FakeSocket* socket = Find(handle);
    if (!socket) return Fail(EBADF);
    *address = ServerAddress(socket->impostor);
    return 0;
  }

  SocketHandle Accept(SocketHandle listener, sockaddr_storage* peer) override {
    FakeSocket* socket = Find(listener);
    if (!socket || socket->kind != Kind::kListener) {
      Fail(EBADF);
      return kNoSocket;
    }
    const SocketHandle owner = AwaitingAt(*socket);
    if (owner == kNoSocket) {
      Fail(EAGAIN);
      return kNoSocket;
    }
    Transfer& t = SessionOf(owner)->transfer;
    const bool impostor = t.impostorFirst && t.arrivals == (t.realArrives ? 2 : 1);
    --t.arrivals;
    FakeSocket data;
    data.kind = Kind::kData;
    data.family = g_net.family;
    data.impostor = impostor;
    data.owner = owner;
    const SocketHandle handle = Add(data);
    if (!impostor) t.dataSocket = handle;
    *peer = ServerAddress(impostor);
    return handle;
  }

  long Send(SocketHandle handle, const void* bytes, std::size_t size) override {
    FakeSocket* socket = Find(handle);
    if (!socket) return Fail(EBADF);
    if (socket->kind == Kind::kControl) {
      ServerSession* session = SessionOf(handle);
      if (!session || session->reset || session->closed) return Fail(ECONNRESET);
      std::string& received = session->fromClient;
      received.append(static_cast<const char*>(bytes), size);
      std::size_t at = 0;
      for (std::size_t end; (end = received.find("\r\n", at)) != std::string::npos; at = end + 2)
        Command(*session, std::string_view(received).substr(at, end - at));
      received.erase(0, at);
      return static_cast<long>(size);
    }
    ServerSession* session = TransferOf(handle, *socket);
    if (!session || session->transfer.retrieve) return Fail(ECONNRESET);
    Transfer& t = session->transfer;
    std::size_t taken = LineAllows(*session, size);
    if (taken == 0) return Fail(EAGAIN);
    if (!t.readsAll) {
      if (t.moved >= t.length) return Fail(t.resetsAtLimit ? ECONNRESET : EAGAIN);
      taken = std::min(taken, t.length - t.moved);
    }
    if (Carried(*session)) t.credit -= static_cast<double>(taken);
    t.moved += taken;
    if (!t.readsAll && t.moved >= t.length) FailTransfer(*session);
    return static_cast<long>(taken);
  }

  long Receive(SocketHandle handle, void* buffer, std::size_t size) override {
    FakeSocket* socket = Find(handle);
    if (!socket) return Fail(EBADF);
    if (socket->kind == Kind::kControl) {
      ServerSession* session = SessionOf(handle);
      if (!session) return Fail(ENOTCONN);
      if (!session->toClient.empty() && session->toClientAt <= g_net.NowMs()) {
        const std::size_t count = std::min({size, session->toClient.size() - session->toClientRead,
                                            session->piece == 0 ? size : session->piece});
        std::memcpy(buffer, session->toClient.data() + session->toClientRead, count);
        session->toClientRead += count;
        if (session->toClientRead == session->toClient.size()) {
          session->toClient.clear();
          session->toClientRead = 0;
        }
        return static_cast<long>(count);
      }
      if (session->reset) return Fail(ECONNRESET);
      if (session->closed) return 0;
      return Fail(EAGAIN);
    }
    if (socket->kind != Kind::kData) return Fail(ENOTCONN);
    ServerSession* session = TransferOf(handle, *socket);
    if (!session || !session->transfer.retrieve) return 0;
    Transfer& t = session->transfer;
    if (t.resetHalfway && t.moved >= t.length / 2) return Fail(ECONNRESET);
    const std::size_t limit = t.resetHalfway ? t.length / 2 : t.length;
    const std::size_t count = std::min(size, limit - t.moved);
    if (count == 0) SpendDuration(t);
    const std::size_t allowed = LineAllows(*session, count);
    if (count > 0 && allowed == 0) return Fail(EAGAIN);
    // The line's data is counted and dropped, never read: only a file's bytes are written.
    if (Carried(*session)) {
      t.credit -= static_cast<double>(allowed);
    } else {
      std::memset(buffer, static_cast<int>(t.moved & 0xff), allowed);
    }
    t.moved += allowed;
    return static_cast<long>(allowed);
  }

  int Poll(SocketHandle handle, bool forWriting, int timeoutMs) override {
    FakeSocket* socket = Find(handle);
    if (!socket) return Fail(EBADF);
    const long long ready = ReadyAt(handle, *socket, forWriting);
    const long long now = g_net.NowMs();
    if (ready <= now + timeoutMs) {
      if (ready > now) g_net.Advance(ready - now);
      return 1;
    }
    g_net.Advance(timeoutMs);
    return 0;
  }

  int PollConnecting(const std::vector<SocketHandle>& sockets, int timeoutMs) override {
    const long long now = g_net.NowMs();
    int first = -1;
    long long firstAt = now + timeoutMs;
    for (std::size_t i = 0; i < sockets.size(); ++i) {
      FakeSocket* socket = Find(sockets[i]);
      if (!socket) return Fail(EBADF) - 1;
      const long long ready = ReadyAt(sockets[i], *socket, true);
      if (ready <= firstAt) {
        first = static_cast<int>(i);
        firstAt = ready;
      }
    }
    g_net.Advance(std::max(firstAt, now) - now);
    return first;
  }

  int PollAny(std::vector<PollEntry>& entries, int timeoutMs) override {
    const long long now = g_net.NowMs();
    long long firstAt = now + timeoutMs;
    static std::vector<long long> readyAt;  // kept, so that a poll allocates nothing
    readyAt.clear();
    for (const PollEntry& entry : entries) {
      FakeSocket* socket = Find(entry.socket);
      readyAt.push_back(socket ? ReadyAt(entry.socket, *socket, entry.forWriting) : now);
      firstAt = std::min(firstAt, readyAt.back());
    }
    g_net.Advance(std::max(firstAt, now) - now);
    int ready = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      entries[i].ready = readyAt[i] <= firstAt && firstAt <= now + timeoutMs;
      ready += entries[i].ready;
    }
    return ready;
  }

  bool ShutdownSend(SocketHandle handle) override {
    FakeSocket* socket = Find(handle);
    if (!socket) return Fail(EBADF) == 0;
    ServerSession* session = TransferOf(handle, *socket);
    if (!session) return true;
    if (Carried(*session) && session->transfer.credit < 0.0) {
      session->transfer.sendEnded = true;
    } else {
      EndTransfer(*session);
    }
    return true;
  }

  bool LimitUnsent(SocketHandle, int) override { return !g_net.noUnsentBound; }

  bool BoundSendBuffer(SocketHandle, int) override { return true; }

  bool SendAtOnce(SocketHandle) override { return true; }

  std::size_t SegmentSize(SocketHandle) override { return 1460; }

  bool QuerySendState(SocketHandle handle, unsigned long long, SendState* state) override {
    FakeSocket* socket = Find(handle);
    ServerSession* session = socket ? TransferOf(handle, *socket) : nullptr;
    if (session) SpendDuration(session->transfer);
    const bool stopped = session && !session->transfer.readsAll &&
                         session->transfer.moved >= session->transfer.length;
    if (g_net.cannotTellAcknowledged) return false;
    const double owed = session && Carried(*session) ? -session->transfer.credit : 0.0;
    state->unsent = 0;
    state->unacknowledged = static_cast<unsigned long long>(std::max(0.0, owed));
    state->allAcknowledged = !stopped && state->unacknowledged == 0;
    return true;
  }

  bool QueryPathInfo(SocketHandle handle, PathInfo* info) override {
    FakeSocket* socket = Find(handle);
    const ServerSession* session = socket ? TransferOf(handle, *socket) : nullptr;
    if (g_net.cannotTellAcknowledged || !session) return false;
    if (g_net.pathRttMs.empty() && !Carried(*session)) return false;
    const Transfer& t = session->transfer;
    // A line's connections queue when it is full: each carries less than it could alone.
    const bool full = LineShare() < g_net.connectionBytesPerUs;
    const double rtt =
        g_net.pathRttMs.empty()
            ? kLineRttMs + (full ? kLineQueueMs : 0.0)
            : g_net.pathRttMs[std::min(g_net.pathLooks++, g_net.pathRttMs.size() - 1)];
    (t.retrieve ? info->receiveRttMs : info->sendRttMs) = rtt;
    info->bytesSent = t.moved;
    info->bytesRetransmitted = t.moved * g_net.retransmittedPerMille / 1000;
    return true;
  }

  // The fake line runs on no interface of this computer: nothing known of it.
  CNetworkLink NetworkLinkOf(const sockaddr_storage&) override { return CNetworkLink(); }

  CLinkCounters NetworkLinkCounters(const std::string&) override { return CLinkCounters(); }

  // The fake line has no local network: no router on it answers.
  SocketHandle NewDatagramSocket(int) override { return kNoSocket; }
};

// One virtual clock for the transfers' tick counter and the network's waits, so that a wait
// of the client costs no real time and the transfers are timed on the network's seconds.
class FakeClock final : public CClock {
 public:
  DWORD tickBaseMs = 0;

  DWORD TickCount() override { return tickBaseMs + static_cast<DWORD>(g_net.NowMs()); }
  long long NowMs() override { return g_net.NowMs(); }
  long long NowUs() override { return g_net.nowUs; }
  void Pause(int microseconds) override { g_net.Elapse(microseconds); }
};

}  // namespace

namespace fake_network {

const CEnvironment& Environment(DWORD tickBaseMs) {
  static FakeClock clock;
  static FakeSockets sockets;
  static const CEnvironment environment{clock, sockets, LocalFiles()};
  clock.tickBaseMs = tickBaseMs;
  return environment;
}

}  // namespace fake_network
