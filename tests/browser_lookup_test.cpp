// The lookup of the user's default browser through a probe page in a temporary folder.
#include "app/browser_lookup.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "kernel/directories.h"
#include "tests/support/file_contents.h"
#include "tests/support/file_plants.h"
#include "tests/support/window_test_env.h"

namespace {

TEST(BrowserLookup, FindsTheUsersDefaultBrowser) {
  EXPECT_EQ(FindDefaultBrowser(TemporaryDirectory()), FakeBrowserCommand());
}

class ProbeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = WindowTestRoot() + kPathSeparator + "probe" + kPathSeparator;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  std::string dir;
};

TEST_F(ProbeTest, ProbeHoldsThirteenBytesForItsOwnerOnly) {
  {
    OpenNewFiles openToAll;
    EXPECT_TRUE(WriteBrowserProbe(dir + "tmp.htm"));
  }
  EXPECT_EQ(ReadWholeFile(dir + "tmp.htm"), "<HTML></HTML>");
  EXPECT_TRUE(PrivateToTheUser(dir + "tmp.htm"));
}

TEST_F(ProbeTest, ExistingProbeIsOverwrittenThenDeleted) {
  WriteWholeFile(dir + "tmp.htm", std::string(5000, 'x'));
  EXPECT_EQ(FindDefaultBrowser(dir), FakeBrowserCommand());
  EXPECT_FALSE(FileExists(dir + "tmp.htm"));
}

TEST_F(ProbeTest, LinkPlantedAtTheProbePathIsNotFollowed) {
  WriteWholeFile(dir + "victim", "precious");
  if (!PlantLink(dir + "victim", dir + "tmp.htm")) GTEST_SKIP() << "no link shown as one";
  EXPECT_FALSE(WriteBrowserProbe(dir + "tmp.htm"));
  EXPECT_EQ(FindDefaultBrowser(dir), FakeBrowserCommand());
  EXPECT_EQ(ReadWholeFile(dir + "victim"), "precious");
  EXPECT_TRUE(std::filesystem::is_symlink(dir + "tmp.htm"));
}

}  // namespace
