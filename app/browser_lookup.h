// Which program the user's desktop opens web pages with.
#pragma once

#include <string>

// Writes the probe file "tmp.htm" into `tempDirectory` (13 bytes "<HTML></HTML>", mode
// 0600, never through a symbolic link at that path), asks the desktop for the default
// application of its content type, deletes the probe, and returns how to start that
// application: on Windows its executable's full path, elsewhere its desktop entry's
// command line (see BrowserArguments). Empty when there is none.
std::string FindDefaultBrowser(const std::string& tempDirectory);

// Creates or empties `path` with mode 0600 and writes the 13 probe bytes; false when it
// cannot, and always when `path` is a symbolic link, which is left alone.
bool WriteBrowserProbe(const std::string& path);
