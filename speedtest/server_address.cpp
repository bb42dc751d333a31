// The server of a test run, baked in by the build (LUMVIK_FTP_HOST, LUMVIK_FTP_PORT).
#include "speedtest/server_address.h"

const char* const kTestServer = LUMVIK_FTP_HOST;
const INTERNET_PORT kTestServerPort = LUMVIK_FTP_PORT;
