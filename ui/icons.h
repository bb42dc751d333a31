// The program's icons: the images built into it, or on Windows its icon resources.
#pragma once

#include <wx/icon.h>
#include <wx/iconbndl.h>

// Icon `resource` at `pixels` square; an invalid icon when there is no such image.
wxIcon LoadIconImage(int resource, int pixels);

// Every size of icon `resource` that the program carries, for window icons.
wxIconBundle LoadIconBundle(int resource);
