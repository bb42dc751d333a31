// Whether a copy of the program runs, for the uninstaller to ask before it removes files.
#pragma once

// Marks this process as running the program until it ends: on Windows a named mutex,
// kRunningMutex, that the uninstaller looks for; nothing elsewhere.
void MarkProgramRunning();

inline constexpr char kRunningMutex[] = "Local\\LumvikHastighedRunning";
