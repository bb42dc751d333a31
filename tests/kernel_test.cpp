// The platform layer's files and clock, on either platform: where a defence differs, each
// platform plants what its own code defends against.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "kernel/local_file.h"
#include "kernel/own_file.h"
#include "kernel/tick_count.h"
#include "tests/support/file_contents.h"
#include "tests/support/file_plants.h"
#include "tests/support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#endif

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
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
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

#ifdef _WIN32
  // A file the user may not write does not open for writing.
  const std::string readOnly = dir + "/read-only";
  WriteWholeFile(readOnly, "x");
  if (PlantUnwritable(readOnly)) {
    EXPECT_FALSE(missing.Open(readOnly, CFile::modeCreate | CFile::modeWrite));
  }
  // A read from a file opened for writing fails in the system, with its cause and name.
  CFile writing;
  ASSERT_TRUE(writing.Open(dir + "/w", CFile::modeCreate | CFile::modeWrite));
  char byte;
  try {
    writing.Read(&byte, 1);
    ADD_FAILURE() << "reading a file opened for writing succeeded";
  } catch (CFileException* e) {
    EXPECT_EQ(e->m_cause, ERROR_ACCESS_DENIED);
    EXPECT_EQ(e->m_strFileName, dir + "/w");
    e->Delete();
  }
#else
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
#endif
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
  EXPECT_TRUE(PrivateToTheUser(own));
  EXPECT_TRUE(RewriteOwnFile(own, [](const std::string&) { return std::string("x"); }));
  EXPECT_EQ(ReadWholeFile(own), "x");

  const std::string target = dir + "/target";
  WriteWholeFile(target, "keep");
  ASSERT_TRUE(PlantLink(target, dir + "/link"));
  const bool throughLink = RewriteOwnFile(dir + "/link", append);
#ifndef _WIN32  // Wine shows no reparse point: it rewrites the link itself, not its target
  EXPECT_FALSE(throughLink);
#endif
  (void)throughLink;
  ASSERT_TRUE(PlantHardLink(target, dir + "/hard"));
  EXPECT_FALSE(RewriteOwnFile(dir + "/hard", append));
  EXPECT_EQ(ReadWholeFile(target), "keep");
  const std::string foreign = dir + "/foreign";
  WriteWholeFile(foreign, "theirs");
  if (PlantUnwritable(foreign)) {
    EXPECT_FALSE(RewriteOwnFile(foreign, append));
    EXPECT_EQ(ReadWholeFile(foreign), "theirs");
  }
}

}  // namespace
