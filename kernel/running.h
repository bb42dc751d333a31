// Whether a copy of the program runs, for the uninstaller to ask before it removes files.
#pragma once

// Marks this process as running the program until it ends: on Windows a named mutex,
// kRunningMutex, that the uninstaller looks for from any session; where the system refuses
// that name, kRunningMutexInSession. Nothing elsewhere. False when neither could be made.
bool MarkProgramRunning();

inline constexpr char kRunningMutex[] = "Global\\LumvikHastighedRunning";
inline constexpr char kRunningMutexInSession[] = "Local\\LumvikHastighedRunning";
