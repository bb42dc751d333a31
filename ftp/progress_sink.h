// What a transfer needs of the window that owns it: a place for its progress reports, and
// a way to let the window's pending events run between chunks.
#pragma once

#include <string>

#include "kernel/types.h"

class CProgressSink {
 public:
  // Bytes moved and seconds spent so far in the transfer under way; true asks it to stop.
  virtual bool ReportProgress(DWORD bytes, double seconds) = 0;
  // Asked at least every 100 ms while the log-in or a transfer waits for the network, so
  // that the window stays alive; false ends the wait as a stop of the user's. By default it
  // pumps and goes on.
  virtual bool KeepWaiting();
  // A remark on the transfer under way, for the run's log.
  virtual void NoteTransfer(const std::string& note);

 protected:
  ~CProgressSink() = default;
};

// Dispatches every window event that is waiting and returns; never waits for one.
void PumpMessages();

// Installs the window's pump behind PumpMessages; nullptr leaves nothing to pump.
using MessagePump = void (*)();
void SetMessagePump(MessagePump pump);
