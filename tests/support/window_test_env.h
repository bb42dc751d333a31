// What the window tests' main() sets up for them, the same on each platform.
#pragma once

#include <functional>
#include <string>
#include <vector>

class wxWindow;

// The private folder of this test program: its temporary folder and, on Linux, its XDG
// folders and the fake browser.
std::string WindowTestRoot();
// A program registered as the default application for web pages; it appends "N|args" to
// FakeBrowserLog() each time it starts.
std::string FakeBrowserPath();
std::string FakeBrowserLog();
// What the system's lookup of the default browser names for the fake one.
std::string FakeBrowserCommand();

// What a browser setting may hold that starts no browser: nothing, a program that is not
// there, a file that is no program.
std::vector<std::string> NotBrowsers();

// The private folder the program is to choose here, and whether only the user may enter it
// (mode 0700; the user's own %LOCALAPPDATA% on Windows).
std::string ExpectedPrivateFolder();
bool OnlyTheUserMayEnter(const std::string& folder);

// The ways the private folder can be missing or unusable, each undone by `restore`;
// `elsewhere` is a scratch folder for what they plant.
struct FolderTakenAway {
  const char* how;
  std::function<void()> take;
  std::function<void()> restore;
};
std::vector<FolderTakenAway> WaysToTakeTheFolderAway(const std::string& elsewhere);

// How the system words a refused connection.
extern const char kConnectionRefused[];

// The name a screen reader is given for `window`: ATK's on Linux, MSAA's on Windows.
std::string AccessibleNameOf(wxWindow* window);

// Lets pending window events run, as the program's own loop would between actions.
void PumpWindowEvents();

// The platform's half of main(): makes WindowTestRoot(), points the temporary folder (and
// on Linux the user's folders) into it and registers the fake browser.
bool PrepareWindowTestRoot();
void RemoveWindowTestRoot();
