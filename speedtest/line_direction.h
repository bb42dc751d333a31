// What the whole line's phase found in one direction: its figure, its sessions, what they
// moved and what they left. Plain data, for the run, its records and the window alike.
#pragma once

#include <string>
#include <vector>

#include "speedtest/line_meter.h"

// What one direction's phase found.
struct CLineDirection {
  bool measured = false;  // the phase ran
  CLineFigure figure;
  int sessionsStarted = 0;
  int sessionsRefused = 0;          // the server would not have them (421, ...)
  int sessionsFailed = 0;           // lost on the way, the refused among them
  std::string firstFailure;         // what the first lost session said
  std::vector<double> loadedRttMs;  // the data connections' round trip, a look each slice
  // An upload's bytes sent (retransmissions included) and sent again, as the system told of
  // its whole files; 0 where it tells nothing.
  unsigned long long bytesSent = 0;
  unsigned long long bytesRetransmitted = 0;
  unsigned long long bytesMoved = 0;  // file data moved by every session, counted or not
  // The system could not tell what the server acknowledged, so the upload counted what it
  // handed over, with each data connection's send buffer bounded.
  bool countsHandedOver = false;
  std::vector<std::string> leftFiles;  // uploads that could not be deleted
  bool stopped = false;                // the sink stopped it
};
