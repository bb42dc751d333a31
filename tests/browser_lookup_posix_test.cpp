// The browser lookup in a temporary folder deeper than Windows would ever hand out.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/browser_lookup.h"
#include "tests/support/file_contents.h"
#include "tests/support/window_test_env.h"

namespace {

TEST(BrowserLookupPosix, LongTemporaryPathsAreNeitherCutNorOverflowed) {
  std::string deep = WindowTestRoot() + "/probe-deep/";
  for (int i = 0; i < 12; ++i) deep += std::string(40, 'd') + "/";
  std::filesystem::remove_all(WindowTestRoot() + "/probe-deep");
  std::filesystem::create_directories(deep);
  ASSERT_GT(deep.size(), 500u);
  EXPECT_EQ(FindDefaultBrowser(deep), FakeBrowserCommand());
  EXPECT_FALSE(FileExists(deep + "tmp.htm"));
}

}  // namespace
