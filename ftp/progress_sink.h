// What a transfer and a network wait need of whoever started them: a place for the
// progress reports, a way to let a window's pending events run, and a stop. Every answer
// that can stop is true to stop, as the window's abort flag is.
#pragma once

#include <string>

#include "kernel/types.h"

class CProgressSink {
 public:
  // After each chunk: bytes moved and seconds spent so far in the transfer under way;
  // true asks it to stop.
  virtual bool ReportProgress(DWORD bytes, double seconds) = 0;
  // After each report that did not stop the transfer: dispatches every event that waits
  // and returns, never waiting for one. Nothing to do without a window.
  virtual void PumpMessages() {}
  // At least every 100 ms while the log-in or a transfer waits for the network; true asks
  // the wait to stop. By default it pumps and goes on.
  virtual bool ReportWaiting() {
    PumpMessages();
    return false;
  }
  // A remark on the transfer under way, for the run's log.
  virtual void NoteTransfer(const std::string&) {}

 protected:
  ~CProgressSink() = default;
};
