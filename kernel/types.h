// Fixed-width names that the framework's interfaces use.
#pragma once

#include <cstdint>

using DWORD = std::uint32_t;
using UINT = unsigned int;
using INTERNET_PORT = std::uint16_t;
