// What the window tests' main() sets up for them.
#pragma once

#include <string>

// The private folder of this test program: XDG folders, TMPDIR and the fake browser.
std::string WindowTestRoot();
// A script registered as the default application for web pages; it appends "N|args" to
// FakeBrowserLog() each time it starts.
std::string FakeBrowserPath();
std::string FakeBrowserLog();

// Lets pending window events run, as the program's own loop would between actions.
void PumpWindowEvents();
