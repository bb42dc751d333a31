#include <gtest/gtest.h>
#include <unistd.h>

#include "kernel/local_file.h"
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

  CFile full;
  ASSERT_TRUE(full.Open("/dev/full", CFile::modeCreate | CFile::modeWrite));
  try {
    full.Write("x", 1);
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

}  // namespace
