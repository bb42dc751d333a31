// The lookup of the user's default browser through a probe page in a temporary folder.
#include "app/browser_lookup.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cstdlib>
#include <filesystem>

#include "kernel/directories.h"
#include "kernel/local_file.h"
#include "tests/support/file_plants.h"
#include "tests/support/test_point.h"
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
#ifdef _WIN32
  EXPECT_TRUE(WriteBrowserProbe(dir + "tmp.htm"));
#else
  const mode_t previous = ::umask(0);
  EXPECT_TRUE(WriteBrowserProbe(dir + "tmp.htm"));
  ::umask(previous);
#endif
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
  ASSERT_TRUE(PlantLink(dir + "victim", dir + "tmp.htm"));
  const bool written = WriteBrowserProbe(dir + "tmp.htm");
  EXPECT_EQ(FindDefaultBrowser(dir), FakeBrowserCommand());
  EXPECT_EQ(ReadWholeFile(dir + "victim"), "precious");
#ifndef _WIN32  // Wine shows no reparse point: it writes the link itself, not its target
  EXPECT_FALSE(written);
  EXPECT_TRUE(std::filesystem::is_symlink(dir + "tmp.htm"));
#endif
  (void)written;
}

// Windows hands out no temporary path longer than MAX_PATH.
#ifndef _WIN32

TEST_F(ProbeTest, LongTemporaryPathsAreNeitherCutNorOverflowed) {
  std::string deep = dir;
  for (int i = 0; i < 12; ++i) deep += std::string(40, 'd') + "/";
  std::system(("mkdir -p '" + deep + "'").c_str());
  ASSERT_GT(deep.size(), 500u);
  EXPECT_EQ(FindDefaultBrowser(deep), FakeBrowserCommand());
  EXPECT_FALSE(FileExists(deep + "tmp.htm"));
}
#endif

}  // namespace
