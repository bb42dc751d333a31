// The fixed parameters of a test run.
#pragma once

#include "kernel/types.h"

// The provider's FTP test server and port, fixed when the program is built.
extern const char* const kTestServer;
extern const INTERNET_PORT kTestServerPort;

inline constexpr char kTestUser[] = "anonymous";
inline constexpr char kTestPassword[] = "ip@lumvik.dk";  // 12 characters, an e-mail address
inline constexpr char kDownloadFolder[] = "/pub/";
inline constexpr char kUploadFolder[] = "/pub/upload/";
inline constexpr char kSmallTestFile[] = "200Ktest.rnd";
inline constexpr char kLargeTestFile[] = "2Mtest.rnd";
inline constexpr DWORD kSmallTestFileBytes = 204800;
inline constexpr DWORD kLargeTestFileBytes = 2097152;
// A small download faster than this fetches the large file too.
inline constexpr double kLargeFileBelowSeconds = 6.0;
inline constexpr int kMaxAttempts = 3;
// How long a run waits for another one on the line before it gives up.
inline constexpr int kLineWaitMs = 10 * 60 * 1000;
inline constexpr char kLineLockFile[] = "run.lock";
