// The command line of a desktop entry's Exec key, made into the arguments that open one
// page: pure text, no process.
#pragma once

#include <string>
#include <vector>

// Splits `command` as the desktop entry format quotes it and puts `url` in place of its
// field code (%u, %U, %f or %F); other field codes go, "%%" is "%". Without a field code
// the URL comes last. Empty when `command` names no program or its quoting is broken.
std::vector<std::string> BrowserArguments(const std::string& command, const std::string& url);
