#include "ftp/progress_sink.h"

namespace {

MessagePump g_pump = nullptr;

}  // namespace

bool CProgressSink::KeepWaiting() {
  PumpMessages();
  return true;
}

void CProgressSink::NoteTransfer(const std::string&) {}

void PumpMessages() {
  if (g_pump) g_pump();
}

void SetMessagePump(MessagePump pump) {
  g_pump = pump;
}
