// The window's own items in its system menu: About and the history.
#pragma once

#include <wx/toplevel.h>

#include <string>
#include <utility>
#include <vector>

// The items, as command number and text, in their order.
using SystemMenuItems = std::vector<std::pair<int, std::string>>;

// Adds a separator and `items` to the window's system menu. The window manager owns that
// menu on GTK, so there the dialog offers the items as its context menu instead, and this
// does nothing.
void AppendToSystemMenu(wxTopLevelWindow* window, const SystemMenuItems& items);
