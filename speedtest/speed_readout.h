// The live readout under a transfer: the rate text and the progress position.
// Pure computation: no window.
#pragma once

#include <string>

#include "kernel/types.h"

// "kbit/s\n %4d" with the raw rate of `bytes` in `seconds`: whole kbit (bytes / 128) per
// second, truncated; 0 when the seconds are not above zero.
std::string SpeedReadoutText(DWORD bytes, double seconds);

// bytes × 100 / expected in unsigned 32-bit arithmetic; 0 when nothing is expected.
// Above 100 when more arrived than expected.
DWORD ProgressPosition(DWORD bytes, DWORD expectedBytes);
// `seconds` of at most `longestSeconds` as a bar's position, 0 to 100.
DWORD TimePosition(double seconds, double longestSeconds);
