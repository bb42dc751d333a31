// The user's folders pointed into a root of the test program's own, so that what a test keeps
// (the run log, the history, settings, temporary files) never reaches the user's: the XDG
// folders and TMPDIR on Linux, %LOCALAPPDATA%, TMP and TEMP on Windows.
#pragma once

#include <string>

// Makes a root named after `name` and the process, with the folders in it, and points the
// user's folders there; its path, or empty on failure.
std::string PointUserFoldersIntoRoot(const std::string& name);
// Removes the root with everything in it, and where the user's folder is a setting that
// outlives the process (%LOCALAPPDATA%), points it back.
void RemoveUserFoldersRoot();
