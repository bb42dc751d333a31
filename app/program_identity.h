// How the desktop and the terminal know the program: its names and, on Linux desktops, its
// application id.
#pragma once

// The program's name: the caption of its message boxes.
inline constexpr char kProgramName[] = "Lumvik Hastighed";
// The command-line program's name, which begins each of its messages.
inline constexpr char kCliProgramName[] = "lumvik-hastighed-cli";
// The id that names its desktop entry, and its windows' WM_CLASS and Wayland app id.
inline constexpr char kDesktopAppId[] = "dk.lumvik.Hastighed";

// Tells the toolkit both before it starts, through the program's arguments where it takes
// them from there, so that the desktop matches the windows to the launcher and its icon.
void SetProgramIdentity(int& argc, char**& argv);
