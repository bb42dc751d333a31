// The program's entry: the framework starts theApp, which runs the main dialog once.
#include <wx/init.h>

#include "app/program_identity.h"
#include "app/speed_test_app.h"

int main(int argc, char** argv) {
  SetProgramIdentity(argc, argv);
  wxApp::SetInstance(new CSpeedTestApp);
  return wxEntry(argc, argv);
}
