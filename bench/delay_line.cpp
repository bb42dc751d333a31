// A delay line for the accuracy lab: moves IPv4 frames between two interfaces of the router
// namespace with packet sockets, instead of the kernel's forwarding, and releases each one
// a fixed time after it arrived. The kernel here has no netem, so this stands for the
// distance of a real line; the token bucket on each interface's way out still sets the rate.
//   delay_line ONE_WAY_US IFACE_A PEER_MAC_A IFACE_B PEER_MAC_B
// A frame that arrives on A for A's own address leaves on B from B's address to PEER_MAC_B,
// and the other way round; ARP and everything else stays with the kernel. On SIGINT or
// SIGTERM it prints what it moved and dropped, and exits 0 when it dropped nothing. It says
// "ready" once it moves frames.
#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kFrameBytes = 2048;  // a whole frame at MTU 1500; larger ones are errors
constexpr std::size_t kSlots = 16384;      // per direction: 1.3 s at 100 Mbit/s of full frames
constexpr int kSocketBuffer = 16 << 20;

volatile sig_atomic_t g_stop = 0;

std::int64_t NowNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool ParseMac(const char* text, std::array<unsigned char, 6>* mac) {
  unsigned b[6];
  if (std::sscanf(text, "%x:%x:%x:%x:%x:%x", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5]) != 6) {
    return false;
  }
  for (int i = 0; i < 6; ++i) (*mac)[i] = static_cast<unsigned char>(b[i]);
  return true;
}

struct Frame {
  std::int64_t due;
  std::uint16_t length;
  unsigned char bytes[kFrameBytes];
};

// One direction: the frames that arrived on `in`, waiting to leave on `out`.
struct Direction {
  int in = -1;
  int out = -1;
  std::array<unsigned char, 6> inMac{};   // frames for this address are taken
  std::array<unsigned char, 6> outMac{};  // they leave from this one
  std::array<unsigned char, 6> peerMac{};
  std::vector<Frame> ring = std::vector<Frame>(kSlots);
  std::size_t head = 0;  // next to leave
  std::size_t size = 0;
  unsigned long long moved = 0;
  unsigned long long dropped = 0;    // ours: ring full, frame too large, send failed
  unsigned long long lineDrops = 0;  // the token bucket's queue was full
};

int OpenInterface(const char* name, std::array<unsigned char, 6>* mac) {
  const int fd = ::socket(AF_PACKET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, htons(ETH_P_ALL));
  if (fd < 0) {
    std::perror("socket");
    std::exit(1);
  }
  ifreq request{};
  std::snprintf(request.ifr_name, sizeof request.ifr_name, "%s", name);
  if (::ioctl(fd, SIOCGIFINDEX, &request) != 0) {
    std::perror(name);
    std::exit(1);
  }
  sockaddr_ll address{};
  address.sll_family = AF_PACKET;
  address.sll_protocol = htons(ETH_P_ALL);
  address.sll_ifindex = request.ifr_ifindex;
  if (::ioctl(fd, SIOCGIFHWADDR, &request) != 0) {
    std::perror(name);
    std::exit(1);
  }
  std::memcpy(mac->data(), request.ifr_hwaddr.sa_data, 6);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    std::perror("bind");
    std::exit(1);
  }
  // Our own sends would come back as copies to read and throw away: half the reads at a
  // high rate, and this line shares two processors with both ends.
  const int ignoreOutgoing = 1;
  ::setsockopt(fd, SOL_PACKET, PACKET_IGNORE_OUTGOING, &ignoreOutgoing, sizeof ignoreOutgoing);
  const int buffer = kSocketBuffer;
  ::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &buffer, sizeof buffer);
  ::setsockopt(fd, SOL_SOCKET, SO_SNDBUFFORCE, &buffer, sizeof buffer);
  return fd;
}

// Frames move in batches of this many per system call: at 300 Mbit/s a call for each frame
// took most of a processor, and the line ran slower than its token bucket.
constexpr std::size_t kBatch = 64;

// Whether a frame that came in is ours to move: for the direction's own address, IPv4, whole.
bool IsOurs(const Direction& d, const Frame& frame, std::size_t length) {
  if (length < 14 || length > sizeof frame.bytes) return false;
  if (std::memcmp(frame.bytes, d.inMac.data(), 6) != 0) return false;
  return frame.bytes[12] == 0x08 && frame.bytes[13] == 0x00;
}

// Takes every frame waiting on the direction's way in.
void Receive(Direction& d, std::int64_t delayNs) {
  for (;;) {
    const std::size_t room = std::min(kBatch, kSlots - d.size);
    if (room == 0) {  // a full ring: take one frame to count as dropped
      Frame spill;
      if (::recv(d.in, spill.bytes, sizeof spill.bytes, MSG_TRUNC) < 0) return;
      ++d.dropped;
      continue;
    }
    std::array<mmsghdr, kBatch> messages{};
    std::array<iovec, kBatch> parts{};
    std::array<sockaddr_ll, kBatch> from{};
    for (std::size_t i = 0; i < room; ++i) {
      Frame& slot = d.ring[(d.head + d.size + i) % kSlots];
      parts[i] = {slot.bytes, sizeof slot.bytes};
      messages[i].msg_hdr.msg_iov = &parts[i];
      messages[i].msg_hdr.msg_iovlen = 1;
      messages[i].msg_hdr.msg_name = &from[i];
      messages[i].msg_hdr.msg_namelen = sizeof from[i];
    }
    const int count =
        ::recvmmsg(d.in, messages.data(), static_cast<unsigned>(room), MSG_TRUNC, nullptr);
    if (count <= 0) return;  // nothing more waiting
    const std::int64_t due = NowNs() + delayNs;
    const std::size_t first = d.head + d.size;
    for (int i = 0; i < count; ++i) {
      Frame& slot = d.ring[(first + i) % kSlots];
      const std::size_t length = messages[i].msg_len;
      if (from[i].sll_pkttype != PACKET_HOST || !IsOurs(d, slot, length)) {
        if (length > sizeof slot.bytes) ++d.dropped;
        continue;
      }
      Frame& kept = d.ring[(d.head + d.size) % kSlots];
      if (&kept != &slot) std::memcpy(kept.bytes, slot.bytes, length);
      kept.length = static_cast<std::uint16_t>(length);
      kept.due = due;
      ++d.size;
    }
  }
}

// Sends every frame whose time has come; returns when the next one is due, or -1.
std::int64_t Release(Direction& d) {
  const std::int64_t now = NowNs();
  while (d.size > 0) {
    std::array<mmsghdr, kBatch> messages{};
    std::array<iovec, kBatch> parts{};
    std::size_t due = 0;
    for (; due < std::min(kBatch, d.size); ++due) {
      Frame& frame = d.ring[(d.head + due) % kSlots];
      if (frame.due > now) break;
      std::memcpy(frame.bytes, d.peerMac.data(), 6);
      std::memcpy(frame.bytes + 6, d.outMac.data(), 6);
      parts[due] = {frame.bytes, frame.length};
      messages[due].msg_hdr.msg_iov = &parts[due];
      messages[due].msg_hdr.msg_iovlen = 1;
    }
    if (due == 0) return d.ring[d.head].due;
    const int sent = ::sendmmsg(d.out, messages.data(), static_cast<unsigned>(due), 0);
    std::size_t done = sent > 0 ? static_cast<std::size_t>(sent) : 0;
    d.moved += done;
    if (sent < 0 && errno == EAGAIN) {
      pollfd entry{d.out, POLLOUT, 0};
      ::poll(&entry, 1, 10);
      continue;
    }
    if (sent < 0) {  // the first frame failed: the line's queue was full, or ours an error
      ++(errno == ENOBUFS ? d.lineDrops : d.dropped);
      done = 1;
    }
    d.head = (d.head + done) % kSlots;
    d.size -= done;
  }
  return -1;
}

// Moves frames both ways, each one its delay after it came, until told to stop.
void MoveFrames(Direction& ab, Direction& ba, std::int64_t delayNs) {
  while (!g_stop) {
    const std::int64_t nextAb = Release(ab);
    const std::int64_t nextBa = Release(ba);
    std::int64_t next = nextAb;
    if (next < 0 || (nextBa >= 0 && nextBa < next)) next = nextBa;
    pollfd entries[2] = {{ab.in, POLLIN, 0}, {ba.in, POLLIN, 0}};
    timespec wait{};
    timespec* timeout = nullptr;
    if (next >= 0) {
      const std::int64_t remaining = std::max<std::int64_t>(next - NowNs(), 0);
      wait.tv_sec = remaining / 1000000000;
      wait.tv_nsec = remaining % 1000000000;
      timeout = &wait;
    }
    if (::ppoll(entries, 2, timeout, nullptr) < 0 && errno != EINTR) break;
    if (entries[0].revents & POLLIN) Receive(ab, delayNs);
    if (entries[1].revents & POLLIN) Receive(ba, delayNs);
  }
}

unsigned long long KernelDrops(int fd) {
  tpacket_stats stats{};
  socklen_t length = sizeof stats;
  if (::getsockopt(fd, SOL_PACKET, PACKET_STATISTICS, &stats, &length) != 0) return 0;
  return stats.tp_drops;
}

}  // namespace

int main(int argc, char** argv) {
  Direction ab, ba;
  if (argc != 6 || !ParseMac(argv[3], &ba.peerMac) || !ParseMac(argv[5], &ab.peerMac)) {
    std::fprintf(stderr, "usage: %s ONE_WAY_US IFACE_A PEER_MAC_A IFACE_B PEER_MAC_B\n", argv[0]);
    return 2;
  }
  const std::int64_t delayNs = std::atoll(argv[1]) * 1000;
  std::array<unsigned char, 6> macA{}, macB{};
  const int a = OpenInterface(argv[2], &macA);
  const int b = OpenInterface(argv[4], &macB);
  ab.in = ba.out = a;
  ab.out = ba.in = b;
  ab.inMac = ba.outMac = macA;
  ab.outMac = ba.inMac = macB;

  struct sigaction action {};
  action.sa_handler = [](int) { g_stop = 1; };
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  // Timers fire when asked, not up to 50 us later, so that the delay is what was set.
  prctl(PR_SET_TIMERSLACK, 1UL);
  // Nor after a processor's wake-up from deep idle, which can take most of a millisecond:
  // while this stays open the kernel keeps them out of it.
  const int idleLimit = ::open("/dev/cpu_dma_latency", O_WRONLY | O_CLOEXEC);
  if (idleLimit >= 0) {
    const std::int32_t none = 0;
    if (::write(idleLimit, &none, sizeof none) != sizeof none) std::perror("cpu_dma_latency");
  }
  std::printf("ready\n");
  std::fflush(stdout);

  MoveFrames(ab, ba, delayNs);
  const unsigned long long dropped = ab.dropped + ba.dropped + KernelDrops(a) + KernelDrops(b);
  std::printf(
      "delay line: moved %llu frames (%s to %s) and %llu back, dropped %llu; "
      "the line's queue dropped %llu\n",
      ab.moved, argv[2], argv[4], ba.moved, dropped, ab.lineDrops + ba.lineDrops);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("delay line: %.1f s of processor time\n",
              static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                  (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6);
  return dropped == 0 ? 0 : 1;
}
