#include <gtk/gtk.h>

#include <vector>

#include "app/program_identity.h"

void SetProgramIdentity(int& argc, char**& argv) {
  g_set_prgname(kDesktopAppId);
  g_set_application_name(kProgramName);
  // GTK takes the program class for WM_CLASS from its own option, read as it starts: a
  // class set before that is derived afresh from the program name, one set after it is
  // not used for the windows.
  static char classOption[] = "--class=dk.lumvik.Hastighed";
  static std::vector<char*> arguments;
  arguments.assign(argv, argv + argc);
  arguments.insert(arguments.begin() + (argc > 0 ? 1 : 0), classOption);
  arguments.push_back(nullptr);
  argc = static_cast<int>(arguments.size()) - 1;
  argv = arguments.data();
}
