// main() of the window tests: the program's own application object without a main loop,
// a private temporary folder (and on Linux private user folders), a fake browser registered
// as the user's default for web pages, and the test point the build names.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>

#include "tests/support/test_point.h"
#include "tests/support/window_test_env.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!PrepareWindowTestRoot()) return 1;

  // The application object is the program's own (theApp), made by wxEntryStart.
  if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) return 1;
  TestPoint::Register(LUMVIK_GUI_TEST_PORT);
  const int result = RUN_ALL_TESTS();
  wxTheApp->OnExit();
  wxEntryCleanup();
  RemoveWindowTestRoot();
  return result;
}
