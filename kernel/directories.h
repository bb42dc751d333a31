// The folders the program writes into.
#pragma once

#include <string>

// The user's private cache folder for this program ($XDG_CACHE_HOME/lumvik-hastighed, else
// ~/.cache/lumvik-hastighed), made with mode 0700 when missing; empty when it cannot be.
std::string PrivateCacheDirectory();

// The temporary directory ($TMPDIR, else /tmp), ending in a separator.
std::string TemporaryDirectory();

// The platform's separator between a folder and a file name.
inline constexpr char kPathSeparator = '/';
