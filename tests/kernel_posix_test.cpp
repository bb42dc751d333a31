// What only POSIX systems can show of the platform layer's files: a device that is always
// full, a writer killed mid-replacement, folder modes and links.
#include <errno.h>
#include <gtest/gtest.h>
#include <linux/nl80211.h>
#include <netlink/attr.h>
#include <netlink/msg.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "kernel/local_file.h"
#include "kernel/network_link.h"
#include "kernel/own_file.h"
#include "kernel/private_folder.h"
#include "tests/support/file_contents.h"
#include "tests/support/local_file_test.h"
#include "tests/support/temp_dir.h"

namespace {

// Interfaces as a made-up /sys/class/net describes them: each kind, a cable whose link is
// down (its speed an error), and the counters; a name that climbs out of the tree is none.
TEST(NetworkLink, KindSpeedAndCountersFromTheInterfaceTree) {
  TempDir tree("lumvik-sysfs");
  const auto put = [&](const std::string& file, const std::string& text) {
    const std::filesystem::path path = std::filesystem::u8path(tree.File(file));
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << text;
  };
  put("eth0/type", "1\n");
  put("eth0/speed", "1000\n");
  put("eth0/uevent", "INTERFACE=eth0\nIFINDEX=2\n");
  for (const char* counter : {"rx_bytes", "rx_packets", "tx_bytes", "tx_packets"})
    put(std::string("eth0/statistics/") + counter, std::to_string(std::strlen(counter)) + "\n");
  put("eth1/type", "1\n");
  put("eth1/speed", "");  // reading it fails while the link is down
  put("wlan0/type", "1\n");
  put("wlan0/speed", "54\n");
  put("wlan0/phy80211/name", "phy0\n");
  put("wwan0/type", "519\n");
  put("wg0/type", "65534\n");
  put("br0/type", "1\n");
  put("br0/uevent", "DEVTYPE=bridge\n");
  put("lo/type", "772\n");
  const struct {
    const char* name;
    LinkKind kind;
    double speed;
  } expected[] = {{"eth0", LinkKind::kCable, 1000.0}, {"eth1", LinkKind::kCable, -1.0},
                  {"wlan0", LinkKind::kWifi, -1.0},   {"wwan0", LinkKind::kMobile, -1.0},
                  {"wg0", LinkKind::kTunnel, -1.0},   {"br0", LinkKind::kOther, -1.0},
                  {"lo", LinkKind::kOther, -1.0},     {"../eth0", LinkKind::kUnknown, -1.0},
                  {"gone0", LinkKind::kUnknown, -1.0}};
  for (const auto& interface : expected) {
    SCOPED_TRACE(interface.name);
    const CNetworkLink link = DescribeInterface(interface.name, tree.Path());
    EXPECT_EQ(link.kind, interface.kind);
    EXPECT_EQ(link.speedMbit, interface.speed);
    EXPECT_EQ(link.name.empty(), interface.kind == LinkKind::kUnknown);
    EXPECT_EQ(link.loopback, link.name == "lo");
  }
  const CLinkCounters counters = ReadInterfaceCounters("eth0", tree.Path());
  ASSERT_TRUE(counters.known);
  EXPECT_EQ(counters.receivedBytes, 8u);
  EXPECT_EQ(counters.receivedPackets, 10u);
  EXPECT_EQ(counters.sentBytes, 8u);
  EXPECT_EQ(counters.sentPackets, 10u);
  EXPECT_FALSE(ReadInterfaceCounters("eth1", tree.Path()).known);
  EXPECT_FALSE(ReadInterfaceCounters("../eth0", tree.Path()).known);

  // A radio's station as nl80211 tells it: its signal and its transmit rate in 100 kbit/s.
  nl_msg* message = nlmsg_alloc();
  nlattr* station = nla_nest_start(message, NL80211_ATTR_STA_INFO);
  nla_put_u8(message, NL80211_STA_INFO_SIGNAL, static_cast<std::uint8_t>(-52));
  nlattr* rate = nla_nest_start(message, NL80211_STA_INFO_TX_BITRATE);
  nla_put_u32(message, NL80211_RATE_INFO_BITRATE32, 8667);
  nla_nest_end(message, rate);
  nla_nest_end(message, station);
  CNetworkLink radio;
  ReadStationInfo(station, &radio);
  EXPECT_DOUBLE_EQ(radio.speedMbit, 866.7);
  EXPECT_EQ(radio.signalDbm, -52.0);
  nlmsg_free(message);
}

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
  // Each round kills later; on a loaded machine the rename may come only after many.
  for (int round = 0; round < 400 && (round < 40 || olds == 0 || news == 0); ++round) {
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
