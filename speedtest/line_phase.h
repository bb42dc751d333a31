// The whole line in one direction: several FTP sessions side by side against the test
// server, each moving the test files again and again, counted in slices of time by the
// line's meter until it says the line is saturated or the time is up. One thread: the
// sessions' sockets are polled within each slice, and between slices the sink hears the
// bytes so far, pumps its window and may stop the phase. A session the server refuses or
// loses costs the phase that session, never the run.
#pragma once

#include <cstddef>
#include <string>

#include "ftp/line_session_pool.h"
#include "ftp/progress_sink.h"
#include "speedtest/line_direction.h"

// Measures the line to `server` (the test server's address) in one direction: fetching
// `file` from `folder`, or sending `bytes` at a time to `file` in `folder`, with a session
// of its own per name (`file` gains "-1", "-2", ...). `sink` hears the bytes and seconds at
// every slice; a true from it stops the phase, whose sessions are then ended within
// `stopMs`.
CLineDirection MeasureLineDirection(const CEnvironment& env, const sockaddr_storage& server,
                                    bool upload, const std::string& folder, const std::string& file,
                                    std::size_t bytes, CProgressSink* sink,
                                    const CLineRules& rules = CLineRules(), int stopMs = 400);
