// What the download and the upload share: the chunk size, the timed chunk loop, and the
// conversion of every failure that escapes a transfer into a CFTPException.
#pragma once

#include <functional>

#include "ftp/ftp_exception.h"
#include "ftp/path_sampler.h"
#include "ftp/progress_sink.h"
#include "kernel/clock.h"
#include "kernel/types.h"

constexpr UINT kTransferChunkSize = 4096;

// What one step of a transfer moved: `count` bytes; `report` false when it moved nothing
// worth a report (an upload's end); `last` true when the transfer ends with it.
struct ChunkStep {
  UINT count;
  bool report;
  bool last;
};

// Runs `step` (a callable returning ChunkStep) until the transfer ends. Each step's time
// comes from the tick counter of `clock`, whole, and is added up in seconds; after each step
// that asks for it, `owner` hears the bytes and seconds so far and pumps its window's events,
// and `path` looks at the tick. Throws the abort (code 16) when the owner asks to stop.
template <typename Step>
void RunTimedChunks(CProgressSink* owner, CClock& clock, CPathSampler& path, Step step) {
  DWORD bytes = 0;
  double elapsed = 0.0;
  DWORD start = clock.TickCount();
  for (;;) {
    const ChunkStep moved = step();
    if (!moved.report) return;
    elapsed += TickInterval(start, clock.TickCount()) * 0.001;
    start = clock.TickCount();
    path.Look(start);
    bytes += moved.count;
    if (owner->ReportProgress(bytes, elapsed)) {
      throw new CFTPException(CFTPException::kAborted, ftp_message::kAborted);
    }
    owner->PumpMessages();
    if (moved.last) return;
  }
}

// Runs `transfer`; a CFTPException passes unchanged, a local-file failure becomes code 6
// naming the file and its cause, anything else code 0.
void RunConvertingFailures(const std::function<void()>& transfer);
