// The home router's own count of what went through it, where it answers UPnP IGD: its WAN
// interface's byte counters (GetTotalBytesReceived/Sent), set against this computer's
// interface's, to tell the traffic of the household's other devices. The router is found
// and asked on a thread of its own, so that one that is slow or silent never holds a run up.
#pragma once

#include <memory>
#include <string>

class CHomeRouter {
 public:
  // Starts looking for the router on the local network: SSDP, listening for `discoverMs`
  // (a router may wait up to the search's MX of a second before it answers), then its
  // description; once found, it is asked every quarter second. `localInterface` is the
  // interface that carries the run.
  explicit CHomeRouter(const std::string& localInterface, int discoverMs = 1000);
  // Leaves a question still in the air to its thread, which ends once it is answered.
  ~CHomeRouter();
  CHomeRouter(const CHomeRouter&) = delete;
  CHomeRouter& operator=(const CHomeRouter&) = delete;

  // Waits at most `waitMs` for the search to end; whether a router was found.
  bool AwaitSearch(int waitMs);

  // What passed the router and not this computer's interface, in Mbit/s each way: the
  // household's other devices. Many routers refresh their counters only every second or so
  // and answer from a cache meanwhile, so only answers that changed count, each against the
  // interface's counters read as it came: over the time from the first such answer to the
  // last. Negative where fewer than two came.
  struct Traffic {
    double downloadMbit = -1.0;
    double uploadMbit = -1.0;
  };
  Traffic OtherDevices();

  struct State;

 private:
  std::shared_ptr<State> m_state;
};

// The bytes a router's 32-bit counter moved on from `before` to `now`, across its wrap.
unsigned long long RouterCounterStep(unsigned long long before, unsigned long long now);
