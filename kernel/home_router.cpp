#include "kernel/home_router.h"

#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "kernel/network_link.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kAskEvery(250);

// The router's counters as they stood when an answer that changed them came, with the
// interface's read at once: since the first such answer, each way.
struct Tally {
  bool started = false;
  Clock::time_point first;
  Clock::time_point last;
  unsigned long long routerDown = 0, routerUp = 0;  // continued across the wrap
  unsigned long long localDown = 0, localUp = 0;
};

}  // namespace

struct CHomeRouter::State {
  std::mutex mutex;
  std::condition_variable changed;
  bool searching = true;
  bool found = false;
  bool leaving = false;
  Tally tally;
};

namespace {

// The router's interface config service: its control URL and service type.
struct Igd {
  UPNPUrls urls{};
  IGDdatas data{};
  bool valid = false;
  ~Igd() {
    if (valid) FreeUPNPUrls(&urls);
  }
};

// Finds an IGD on the local network. A router that answers but has no public address
// (UPNP_GetValidIGD's 2) still counts what passes it.
void Discover(int discoverMs, Igd* igd) {
  int error = 0;
  UPNPDev* devices = upnpDiscover(discoverMs, nullptr, nullptr, UPNP_LOCAL_PORT_ANY, 0, 2, &error);
  if (devices == nullptr) return;
  char lanAddress[64] = "";
  const int kind = UPNP_GetValidIGD(devices, &igd->urls, &igd->data, lanAddress, sizeof lanAddress);
  freeUPNPDevlist(devices);
  if (kind == 1 || kind == 2) {
    igd->valid = true;
  } else if (kind != 0) {
    FreeUPNPUrls(&igd->urls);
  }
}

// The WAN's bytes received and sent; false where the router did not say. The commands
// answer (unsigned)-1, as UPNPCOMMAND_HTTP_ERROR and the others, on a failure.
bool AskCounters(const Igd& igd, unsigned long long* down, unsigned long long* up) {
  constexpr unsigned int kFailed = static_cast<unsigned int>(-1);
  const unsigned int received =
      UPNP_GetTotalBytesReceived(igd.urls.controlURL_CIF, igd.data.CIF.servicetype);
  const unsigned int sent =
      UPNP_GetTotalBytesSent(igd.urls.controlURL_CIF, igd.data.CIF.servicetype);
  *down = received;
  *up = sent;
  return received != kFailed && sent != kFailed;
}

// Adds an answer that changed the router's counters, with the interface's as they stand.
void Count(Tally& tally, unsigned long long stepDown, unsigned long long stepUp,
           const CLinkCounters& local, const CLinkCounters& localBefore) {
  const Clock::time_point now = Clock::now();
  if (!tally.started) {
    tally.started = true;
    tally.first = now;
  } else {
    tally.routerDown += stepDown;
    tally.routerUp += stepUp;
    tally.localDown += local.receivedBytes - localBefore.receivedBytes;
    tally.localUp += local.sentBytes - localBefore.sentBytes;
  }
  tally.last = now;
}

// The router's thread: finds it, then asks it in turn until told to leave.
void Serve(std::shared_ptr<CHomeRouter::State> state, std::string localInterface, int discoverMs) {
  Igd igd;
  Discover(discoverMs, &igd);
  std::unique_lock<std::mutex> lock(state->mutex);
  state->searching = false;
  state->found = igd.valid;
  state->changed.notify_all();
  bool answered = false;
  unsigned long long down = 0, up = 0;
  CLinkCounters local;
  while (igd.valid && !state->leaving) {
    lock.unlock();
    unsigned long long nowDown = 0, nowUp = 0;
    const bool told = AskCounters(igd, &nowDown, &nowUp);
    const CLinkCounters nowLocal = ReadLinkCounters(localInterface);
    lock.lock();
    if (told && nowLocal.known && (!answered || nowDown != down || nowUp != up)) {
      // The first answer may come from a cache of any age: it only sets the mark.
      if (answered) {
        Count(state->tally, RouterCounterStep(down, nowDown), RouterCounterStep(up, nowUp),
              nowLocal, local);
      }
      answered = true;
      down = nowDown;
      up = nowUp;
      local = nowLocal;
    }
    state->changed.wait_for(lock, kAskEvery, [&] { return state->leaving; });
  }
}

}  // namespace

unsigned long long RouterCounterStep(unsigned long long before, unsigned long long now) {
  return (now - before) % (1ULL << 32);
}

CHomeRouter::CHomeRouter(const std::string& localInterface, int discoverMs)
    : m_state(std::make_shared<State>()) {
  std::thread(Serve, m_state, localInterface, discoverMs).detach();
}

CHomeRouter::~CHomeRouter() {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  m_state->leaving = true;
  m_state->changed.notify_all();
}

bool CHomeRouter::AwaitSearch(int waitMs) {
  std::unique_lock<std::mutex> lock(m_state->mutex);
  m_state->changed.wait_for(lock, std::chrono::milliseconds(waitMs),
                            [&] { return !m_state->searching; });
  return m_state->found;
}

CHomeRouter::Traffic CHomeRouter::OtherDevices() {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  const Tally& tally = m_state->tally;
  const double seconds = std::chrono::duration<double>(tally.last - tally.first).count();
  Traffic traffic;
  if (seconds <= 0.0) return traffic;
  const auto mbit = [&](unsigned long long router, unsigned long long local) {
    return router > local ? static_cast<double>(router - local) * 8.0 / 1e6 / seconds : 0.0;
  };
  traffic.downloadMbit = mbit(tally.routerDown, tally.localDown);
  traffic.uploadMbit = mbit(tally.routerUp, tally.localUp);
  return traffic;
}
