// The platform layer's files and clock, on either platform: where a defence differs, each
// platform plants what its own code defends against. What only one platform can show is in
// kernel_posix_test.cpp and kernel_win32_test.cpp.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "kernel/clock.h"
#include "kernel/home_router.h"
#include "kernel/local_file.h"
#include "kernel/network_link.h"
#include "kernel/own_file.h"
#include "kernel/private_folder.h"
#include "tests/support/file_contents.h"
#include "tests/support/file_plants.h"
#include "tests/support/local_file_test.h"

namespace {

// A Windows adapter's record: its interface type and its two speeds, all bits set where the
// system does not know one.
TEST(NetworkLink, WindowsAdapterKindsAndSpeeds) {
  EXPECT_EQ(WindowsLinkKind(6), LinkKind::kCable);
  EXPECT_EQ(WindowsLinkKind(71), LinkKind::kWifi);
  EXPECT_EQ(WindowsLinkKind(243), LinkKind::kMobile);
  EXPECT_EQ(WindowsLinkKind(131), LinkKind::kTunnel);
  EXPECT_EQ(WindowsLinkKind(23), LinkKind::kOther);  // PPP
  EXPECT_EQ(WindowsLinkSpeedMbit(1000000000, 100000000), 100.0);
  EXPECT_EQ(WindowsLinkSpeedMbit(~0ULL, 100000000), -1.0);
  EXPECT_EQ(WindowsLinkSpeedMbit(0, 0), -1.0);
  EXPECT_EQ(WindowsSignalDbm(0), -100.0);  // a signal quality in per cent, as dBm
  EXPECT_EQ(WindowsSignalDbm(60), -70.0);
  EXPECT_EQ(WindowsSignalDbm(255), -50.0);
}

// The router's 32-bit counters, stepped across their wrap.
TEST(HomeRouter, CountersStepAcrossTheirWrap) {
  EXPECT_EQ(RouterCounterStep(1000, 1500), 500u);
  EXPECT_EQ(RouterCounterStep(0xFFFFFF00u, 0x100u), 0x200u);
  EXPECT_EQ(RouterCounterStep(0xFFFFFFFFu, 0xFFFFFFFFu), 0u);
}

TEST(TickCount, IntervalsAcrossTheWrapStayShort) {
  EXPECT_EQ(TickInterval(1000, 1250), 250u);
  EXPECT_EQ(TickInterval(0xFFFFFFF0u, 0x10u), 0x20u);
  EXPECT_EQ(TickInterval(0xFFFFFFFFu, 0u), 1u);
  EXPECT_EQ(TickInterval(42, 42), 0u);
}

// The transfers' tick counter and the waits' clocks keep the same time: a transfer timed on
// one and a time-out on the others agree.
TEST(SystemClock, TicksAndWaitClocksAdvanceTogether) {
  CClock& clock = SystemClock();
  const DWORD firstTick = clock.TickCount();
  const long long firstMs = clock.NowMs();
  const long long firstUs = clock.NowUs();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const DWORD ticks = TickInterval(firstTick, clock.TickCount());
  const long long ms = clock.NowMs() - firstMs;
  const long long us = clock.NowUs() - firstUs;
  EXPECT_GE(ticks, 15u);
  EXPECT_LT(ticks, 5000u);
  EXPECT_GE(ms, 15);
  EXPECT_GE(us, 15000);
  EXPECT_NEAR(static_cast<double>(ms), ticks, 20.0);
  EXPECT_NEAR(us / 1000.0, static_cast<double>(ms), 20.0);
}

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
}

TEST_F(LocalFileTest, RemoveFileReportsMissingFiles) {
  const std::string path = dir + "/gone";
  WriteWholeFile(path, "x");
  EXPECT_TRUE(RemoveFile(path));
  EXPECT_FALSE(FileExists(path));
  EXPECT_FALSE(RemoveFile(path));
}

// The run log and the result history are written only when they are the user's own
// regular files: a planted link or another user's file is neither followed nor written.
TEST_F(LocalFileTest, OwnFilesAreWrittenButPlantedOnesAreLeftAlone) {
  std::string content;
  std::string failure;
  const std::string own = dir + "/own";
  EXPECT_TRUE(ReadOwnFile(own, &content, &failure));
  EXPECT_EQ(content, "");
  EXPECT_TRUE(AppendOwnFile(own, "line\n", &failure));
  EXPECT_TRUE(AppendOwnFile(own, "more\n", &failure));
  EXPECT_TRUE(ReadOwnFile(own, &content, &failure));
  EXPECT_EQ(content, "line\nmore\n");
  EXPECT_TRUE(PrivateToTheUser(own));
  EXPECT_TRUE(ReplaceOwnFile(own, "x", &failure));
  EXPECT_EQ(ReadWholeFile(own), "x");
  EXPECT_TRUE(PrivateToTheUser(own));
  EXPECT_TRUE(RemoveOwnFile(own, &failure));
  EXPECT_TRUE(RemoveOwnFile(own, &failure));
  EXPECT_FALSE(FileExists(own));

  const std::string target = dir + "/target";
  WriteWholeFile(target, "keep");
  if (PlantLink(target, dir + "/link")) {
    EXPECT_FALSE(AppendOwnFile(dir + "/link", "x", &failure));
    EXPECT_FALSE(ReadOwnFile(dir + "/link", &content, &failure));
    EXPECT_FALSE(ReplaceOwnFile(dir + "/link", "x", &failure));
    EXPECT_EQ(failure, dir + "/link: a link");
  }
  ASSERT_TRUE(PlantHardLink(target, dir + "/hard"));
  EXPECT_FALSE(AppendOwnFile(dir + "/hard", "x", &failure));
  EXPECT_FALSE(ReplaceOwnFile(dir + "/hard", "x", &failure));
  EXPECT_EQ(failure, dir + "/hard: a second link to another file");
  EXPECT_EQ(ReadWholeFile(target), "keep");
  const std::string foreign = dir + "/foreign";
  WriteWholeFile(foreign, "theirs");
  if (PlantUnwritable(foreign)) {
    EXPECT_FALSE(AppendOwnFile(foreign, "x", &failure));
    EXPECT_FALSE(ReplaceOwnFile(foreign, "x", &failure));
    EXPECT_EQ(ReadWholeFile(foreign), "theirs");
  }
}

// One holder at a time; a waiter hears once that it waits, may stop, gives up at its bound,
// and takes the lock as soon as the holder lets go.
TEST_F(LocalFileTest, FolderLockHasOneHolderAndBoundedWaiters) {
  const std::string path = dir + "/run.lock";
  std::string failure;
  int busy = 0;
  const auto onBusy = [&] { ++busy; };
  const auto forever = [] { return false; };
  CFolderLock holder;
  ASSERT_EQ(holder.Take(path, 0, onBusy, forever, &failure), CFolderLock::Result::kTaken);
  EXPECT_TRUE(PrivateToTheUser(path));
  CFolderLock waiter;
  EXPECT_EQ(waiter.Take(path, 250, onBusy, forever, &failure), CFolderLock::Result::kTimedOut);
  EXPECT_EQ(busy, 1);
  int asked = 0;
  EXPECT_EQ(waiter.Take(
                path, 60000, onBusy, [&] { return ++asked >= 3; }, &failure),
            CFolderLock::Result::kStopped);
  EXPECT_EQ(asked, 3);
  EXPECT_FALSE(waiter.Held());
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    holder.Release();
  });
  EXPECT_EQ(waiter.Take(path, 60000, onBusy, forever, &failure), CFolderLock::Result::kTaken);
  release.join();
  EXPECT_TRUE(waiter.Held());
  EXPECT_EQ(CFolderLock().Take(dir + "/no/folder/run.lock", 0, onBusy, forever, &failure),
            CFolderLock::Result::kFailed);
  EXPECT_NE(failure.find(dir + "/no/folder/run.lock: "), std::string::npos) << failure;
}

// The folder of the test files must be the user's own and closed to others.
TEST_F(LocalFileTest, FolderRefusals) {
  EXPECT_EQ(FolderRefusal(dir), "");
  EXPECT_EQ(FolderRefusal(""), "no private folder for the test files");
  EXPECT_NE(FolderRefusal(dir + "/missing"), "");
  WriteWholeFile(dir + "/file", "x");
  EXPECT_EQ(FolderRefusal(dir + "/file"), dir + "/file is not a folder");
}

}  // namespace
