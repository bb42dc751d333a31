// The fixed parameters of a test run.
#pragma once

#include "kernel/types.h"

inline constexpr char kTestUser[] = "anonymous";
inline constexpr char kTestPassword[] = "ip@lumvik.dk";  // 12 characters, an e-mail address
inline constexpr char kDownloadFolder[] = "/pub/";
inline constexpr char kUploadFolder[] = "/pub/upload/";
inline constexpr char kSmallTestFile[] = "200Ktest.rnd";
inline constexpr char kLargeTestFile[] = "2Mtest.rnd";
#ifdef LUMVIK_FUZZ_FILE_BYTES
// The session fuzzer's server sends files this small, so that a whole session takes
// microseconds and a script can reach every length near the whole file.
inline constexpr DWORD kSmallTestFileBytes = LUMVIK_FUZZ_FILE_BYTES;
inline constexpr DWORD kLargeTestFileBytes = 2 * LUMVIK_FUZZ_FILE_BYTES;
#else
inline constexpr DWORD kSmallTestFileBytes = 204800;
inline constexpr DWORD kLargeTestFileBytes = 2097152;
#endif
// A small download faster than this fetches the large file too.
inline constexpr double kLargeFileBelowSeconds = 6.0;
inline constexpr int kMaxAttempts = 3;
// How long a run waits for another one on the line before it gives up.
inline constexpr int kLineWaitMs = 10 * 60 * 1000;
inline constexpr char kLineLockFile[] = "run.lock";
// The idle round trips timed after the log-in: this many NOOPs, fewer on a long round trip
// once this much time has gone on them.
inline constexpr int kIdleRoundTrips = 10;
inline constexpr int kIdleRoundTripBudgetMs = 1500;
