// Fixed-width names that the framework's interfaces use.
#pragma once

#include <cstdint>

// The system's own definitions where it has them, so that both may meet in one file.
#ifdef _WIN32
typedef unsigned long DWORD;  // 32 bits there
#else
using DWORD = std::uint32_t;
#endif
using UINT = unsigned int;
using ULONGLONG = std::uint64_t;
using INTERNET_PORT = std::uint16_t;
