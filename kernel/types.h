// Fixed-width names that the framework's interfaces use.
#pragma once

#include <cstdint>

using DWORD = std::uint32_t;
using UINT = unsigned int;
using ULONGLONG = std::uint64_t;
using INTERNET_PORT = std::uint16_t;
