// main() of the window tests: a wx application without a main loop, a private cache
// folder for the local test files, and the test point at the port the build baked in.
#include <gtest/gtest.h>
#include <signal.h>
#include <wx/app.h>
#include <wx/init.h>

#include <cstdlib>
#include <string>

#include "tests/support/test_point.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  signal(SIGPIPE, SIG_IGN);

  char cache[] = "/tmp/lumvik-gui-cache-XXXXXX";
  if (!mkdtemp(cache)) return 1;
  setenv("XDG_CACHE_HOME", cache, 1);

  wxApp::SetInstance(new wxApp);
  if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) return 1;
  TestPoint::Register(LUMVIK_GUI_TEST_PORT);
  const int result = RUN_ALL_TESTS();
  wxTheApp->OnExit();
  wxEntryCleanup();
  std::system(("rm -rf '" + std::string(cache) + "'").c_str());
  return result;
}
