// The About item of the window's system menu.
#pragma once

#include <wx/toplevel.h>

#include <string>

// Adds a separator and `aboutText` as command 16 to the window's system menu. The window
// manager owns that menu on GTK, so there the dialog offers the item as its context menu
// instead, and this does nothing.
void AppendAboutToSystemMenu(wxTopLevelWindow* window, const std::string& aboutText);
