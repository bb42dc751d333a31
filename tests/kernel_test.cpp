#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "kernel/local_file.h"
#include "kernel/own_file.h"
#include "kernel/tick_count.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_point.h"

namespace {

TEST(TickCount, IntervalsAcrossTheWrapStayShort) {
  EXPECT_EQ(TickInterval(1000, 1250), 250u);
  EXPECT_EQ(TickInterval(0xFFFFFFF0u, 0x10u), 0x20u);
  EXPECT_EQ(TickInterval(0xFFFFFFFFu, 0u), 1u);
  EXPECT_EQ(TickInterval(42, 42), 0u);
}

DWORD g_fakeTick = 0;
DWORD FakeTick() {
  return g_fakeTick;
}

TEST(TickCount, SourceCanBeReplacedAndRestored) {
  SetTickSource(&FakeTick);
  g_fakeTick = 123456;
  EXPECT_EQ(GetTickCount(), 123456u);
  SetTickSource(nullptr);
  const DWORD first = GetTickCount();
  usleep(20000);
  const DWORD interval = TickInterval(first, GetTickCount());
  EXPECT_GE(interval, 15u);
  EXPECT_LT(interval, 5000u);
}

class LocalFileTest : public ::testing::Test {
 protected:
  TempDir temp{"lumvik-file"};
  const std::string dir = temp.Path();
};

TEST_F(LocalFileTest, CreateTruncatesAndReadFillsUntilTheEnd) {
  const std::string path = dir + "/file";
  WriteWholeFile(path, std::string(10000, 'o'));
  {
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeCreate | CFile::modeWrite));
    file.Write("abcdef", 6);
    file.Close();
  }
  EXPECT_EQ(ReadWholeFile(path), "abcdef");

  CFile file;
  ASSERT_TRUE(file.Open(path, CFile::modeRead));
  char buffer[4];
  EXPECT_EQ(file.Read(buffer, 4), 4u);
  EXPECT_EQ(file.Read(buffer, 4), 2u);
  EXPECT_EQ(file.Read(buffer, 4), 0u);
}

TEST_F(LocalFileTest, FailuresAreResultsOnOpenAndExceptionsAfter) {
  CFile missing;
  EXPECT_FALSE(missing.Open(dir + "/missing", CFile::modeRead));
  EXPECT_FALSE(missing.Open(dir + "/no/folder", CFile::modeCreate | CFile::modeWrite));

  // A small write is gathered: its failure shows when the bytes reach the system, at Close
  // at the latest.
  CFile full;
  ASSERT_TRUE(full.Open("/dev/full", CFile::modeCreate | CFile::modeWrite));
  try {
    full.Write("x", 1);
    full.Close();
    ADD_FAILURE() << "writing to /dev/full succeeded";
  } catch (CFileException* e) {
    EXPECT_EQ(e->m_cause, ENOSPC);
    EXPECT_EQ(e->m_strFileName, "/dev/full");
    e->Delete();
  }
}

TEST_F(LocalFileTest, RemoveFileReportsMissingFiles) {
  const std::string path = dir + "/gone";
  WriteWholeFile(path, "x");
  EXPECT_TRUE(RemoveFile(path));
  EXPECT_FALSE(FileExists(path));
  EXPECT_FALSE(RemoveFile(path));
}

// The run log and the result history are rewritten only when they are the user's own
// regular files: a planted link or another user's file is neither followed nor written.
TEST_F(LocalFileTest, OwnFilesAreRewrittenButPlantedOnesAreLeftAlone) {
  const auto append = [](const std::string& old) { return old + "line\n"; };
  const std::string own = dir + "/own";
  EXPECT_TRUE(RewriteOwnFile(own, append));
  EXPECT_TRUE(RewriteOwnFile(own, [](const std::string& old) { return old + "more\n"; }));
  EXPECT_EQ(ReadWholeFile(own), "line\nmore\n");
  struct stat info {};
  ASSERT_EQ(::stat(own.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_TRUE(RewriteOwnFile(own, [](const std::string&) { return std::string("x"); }));
  EXPECT_EQ(ReadWholeFile(own), "x");

  const std::string target = dir + "/target";
  WriteWholeFile(target, "keep");
  ASSERT_EQ(::symlink(target.c_str(), (dir + "/link").c_str()), 0);
  EXPECT_FALSE(RewriteOwnFile(dir + "/link", append));
  ASSERT_EQ(::link(target.c_str(), (dir + "/hard").c_str()), 0);
  EXPECT_FALSE(RewriteOwnFile(dir + "/hard", append));
  EXPECT_EQ(ReadWholeFile(target), "keep");
  if (::getuid() == 0) {
    const std::string foreign = dir + "/foreign";
    WriteWholeFile(foreign, "theirs");
    ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    EXPECT_FALSE(RewriteOwnFile(foreign, append));
    EXPECT_EQ(ReadWholeFile(foreign), "theirs");
  }
}

}  // namespace
