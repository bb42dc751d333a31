#include <gtk/gtk.h>
#include <wx/app.h>

#include "app/program_identity.h"

void SetProgramIdentity() {
  g_set_prgname(kDesktopAppId);
  gdk_set_program_class(kDesktopAppId);
  g_set_application_name(kProgramName);
}
