// What the command-line program prints of a run: pure text, no network or terminal.
#pragma once

#include <string>

#include "kernel/types.h"
#include "speedtest/run.h"

// The run as one JSON object: its time, server, attempts, round trip, both directions, the
// latency and the product; a failed run as {"error": {...}, "failure_text": ...}; both say whether
// the run was recorded.
std::string OutcomeJson(const CTestOutcome& outcome);

// HOST, HOST:PORT, [IPV6] or [IPV6]:PORT into `host` and `port` (`port` keeps its value
// when none is given); false when the text is no such thing, the host is empty or holds a
// blank or a control character, or the port is not 1 to 65535.
bool ParseServer(const std::string& text, std::string* host, INTERNET_PORT* port);
