// The provider's FTP test server and port, fixed when the program is built: each program
// links the one library of server_address.cpp that names its server.
#pragma once

#include "kernel/types.h"

extern const char* const kTestServer;
extern const INTERNET_PORT kTestServerPort;
