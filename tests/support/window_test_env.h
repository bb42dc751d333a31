// What the window tests' main() sets up for them, the same on each platform.
#pragma once

#include <string>

// The private folder of this test program: its temporary folder and, on Linux, its XDG
// folders and the fake browser.
std::string WindowTestRoot();
// A program registered as the default application for web pages; it appends "N|args" to
// FakeBrowserLog() each time it starts.
std::string FakeBrowserPath();
std::string FakeBrowserLog();
// What the system's lookup of the default browser names for the fake one.
std::string FakeBrowserCommand();

// Lets pending window events run, as the program's own loop would between actions.
void PumpWindowEvents();

// The platform's half of main(): makes WindowTestRoot(), points the temporary folder (and
// on Linux the user's folders) into it and registers the fake browser.
bool PrepareWindowTestRoot();
void RemoveWindowTestRoot();
