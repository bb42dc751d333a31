// The system's clock for the network's waits, with a test's tick counter for the transfers,
// and the environment it makes with the system's sockets and files: the transfers take the
// times the test gives them while the sockets wait in real time.
#pragma once

#include "ftp/environment.h"
#include "ftp/socket_api.h"
#include "kernel/clock.h"
#include "kernel/file_system.h"

class ScriptedTickClock final : public CClock {
 public:
  explicit ScriptedTickClock(DWORD (*ticks)()) : m_ticks(ticks) {}
  ScriptedTickClock(const ScriptedTickClock&) = delete;
  ScriptedTickClock& operator=(const ScriptedTickClock&) = delete;

  DWORD TickCount() override { return m_ticks(); }
  long long NowMs() override { return SystemClock().NowMs(); }
  long long NowUs() override { return SystemClock().NowUs(); }
  void Pause(int microseconds) override { SystemClock().Pause(microseconds); }

  const CEnvironment& Environment() const { return m_environment; }

 private:
  DWORD (*m_ticks)();
  CEnvironment m_environment{*this, SystemSockets(), SystemFiles()};
};
