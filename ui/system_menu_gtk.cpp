#include "ui/system_menu.h"

void AppendAboutToSystemMenu(wxTopLevelWindow*, const std::string&) {}
