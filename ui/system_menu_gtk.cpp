#include "ui/system_menu.h"

void AppendToSystemMenu(wxTopLevelWindow*, const SystemMenuItems&) {}
