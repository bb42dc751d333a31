#include "ftp/name_lookup.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "ftp/internet_exception.h"
#include "ftp/send_wait.h"
#include "ftp/socket_failure.h"
#include "kernel/clock.h"

namespace {

// One thread serves every lookup of the process in turn, since a thread for each would cost more
// than a lookup of a name the system knows; a lookup given up finishes there all the same.
struct Lookup {
  CSocketLayer* sockets = nullptr;
  std::string host;
  INTERNET_PORT port = 0;
  int family = AF_UNSPEC;
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  bool found = false;
  std::vector<sockaddr_storage> addresses;
  std::string failure;
};

class LookupThread {
 public:
  static void Start(std::shared_ptr<Lookup> lookup) {
    // Never destroyed: the thread may still wait on it while the process ends.
    static LookupThread* const worker = new LookupThread;
    const std::lock_guard<std::mutex> hold(worker->m_mutex);
    worker->m_queue.push_back(std::move(lookup));
    worker->m_work.notify_one();
  }

 private:
  LookupThread() {
    std::thread([this] { Serve(); }).detach();
  }

  void Serve() {
    for (;;) {
      std::shared_ptr<Lookup> lookup;
      {
        std::unique_lock<std::mutex> hold(m_mutex);
        m_work.wait(hold, [this] { return !m_queue.empty(); });
        lookup = std::move(m_queue.front());
        m_queue.pop_front();
      }
      std::vector<sockaddr_storage> addresses;
      std::string failure;
      const bool found = lookup->sockets->Resolve(lookup->host, lookup->port, lookup->family, false,
                                                  &addresses, &failure);
      const std::lock_guard<std::mutex> hold(lookup->mutex);
      lookup->found = found;
      lookup->addresses = std::move(addresses);
      lookup->failure = std::move(failure);
      lookup->finished = true;
      lookup->done.notify_all();
    }
  }

  std::mutex m_mutex;
  std::condition_variable m_work;
  std::deque<std::shared_ptr<Lookup>> m_queue;
};

std::shared_ptr<Lookup> StartLookup(CSocketLayer& sockets, const std::string& host,
                                    INTERNET_PORT port, int family) {
  auto lookup = std::make_shared<Lookup>();
  lookup->sockets = &sockets;
  lookup->host = host;
  lookup->port = port;
  lookup->family = family;
  LookupThread::Start(lookup);
  return lookup;
}

}  // namespace

std::vector<sockaddr_storage> LookUpAddresses(const CEnvironment& env, const std::string& host,
                                              INTERNET_PORT port, int family, long long deadline,
                                              CProgressSink* waitSink) {
  std::vector<sockaddr_storage> known;
  std::string unknown;
  if (env.sockets.Resolve(host, port, family, true, &known, &unknown)) return known;
  const std::shared_ptr<Lookup> lookup = StartLookup(env.sockets, host, port, family);
  std::unique_lock<std::mutex> hold(lookup->mutex);
  while (!lookup->done.wait_for(hold, std::chrono::milliseconds(kWaitSliceMs),
                                [&] { return lookup->finished; })) {
    hold.unlock();
    if (env.clock.NowMs() >= deadline) {
      ThrowSocketError(ERROR_INTERNET_TIMEOUT, "the lookup of " + host + " timed out");
    }
    AskToGoOn(waitSink, "the lookup of the server's name");
    hold.lock();
  }
  if (!lookup->found) {
    ThrowSocketError(ERROR_INTERNET_NAME_NOT_RESOLVED, host + ": " + lookup->failure);
  }
  return lookup->addresses;
}
