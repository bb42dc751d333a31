// What only POSIX systems can show of the platform layer's files: a device that is always
// full, a writer killed mid-replacement, folder modes and links.
#include <errno.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "kernel/local_file.h"
#include "kernel/own_file.h"
#include "kernel/private_folder.h"
#include "tests/support/file_contents.h"
#include "tests/support/local_file_test.h"

namespace {

// A small write is gathered: its failure shows when the bytes reach the system, at Close at
// the latest.
TEST_F(LocalFileTest, WriteFailureShowsAtCloseAtTheLatest) {
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

// A writer killed at any instant of a replacement leaves the old content or the new, never
// a mix or a stale tail: children are killed at a spread of moments across it.
TEST_F(LocalFileTest, ReplacementKilledAtAnyMomentLeavesOldOrNew) {
  const std::string path = dir + "/log";
  const std::string before(3 << 20, 'o');
  const std::string after(2 << 20, 'n');
  int olds = 0;
  int news = 0;
  for (int round = 0; round < 40; ++round) {
    WriteWholeFile(path, before);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::string failure;
      ::_exit(ReplaceOwnFile(path, after, &failure) ? 0 : 1);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(round * 500));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    const std::string now = ReadWholeFile(path);
    ASSERT_TRUE(now == before || now == after) << "round " << round << ": " << now.size();
    (now == before ? olds : news)++;
  }
  // The spread reaches both sides of the rename.
  EXPECT_GT(olds, 0);
  EXPECT_GT(news, 0);
}

// The folder of the test files is refused when others may write it or when it is a link.
TEST_F(LocalFileTest, FolderOpenToOthersOrLinkedIsRefused) {
  ASSERT_EQ(::chmod(dir.c_str(), 0770), 0);
  EXPECT_EQ(FolderRefusal(dir), dir + " is writable by others");
  ASSERT_EQ(::chmod(dir.c_str(), 0700), 0);
  ASSERT_EQ(::symlink(dir.c_str(), (dir + "/link").c_str()), 0);
  EXPECT_EQ(FolderRefusal(dir + "/link"), dir + "/link is a link");
}

}  // namespace
