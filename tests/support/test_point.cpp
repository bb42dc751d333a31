#include "tests/support/test_point.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "tests/support/test_sockets.h"

namespace {

TestPoint* g_testPoint = nullptr;

#ifndef _WIN32
std::string Script() {
  return std::string(LUMVIK_SOURCE_DIR) + "/scripts/ftp-test-point";
}
#endif

}  // namespace

TestPoint* TestPoint::Get() {
  return g_testPoint;
}

TestPoint* TestPoint::Register(int port) {
  g_testPoint = new TestPoint;
  g_testPoint->m_port = port;
  ::testing::AddGlobalTestEnvironment(g_testPoint);
  return g_testPoint;
}

#ifdef _WIN32
// A Windows test program under Wine cannot start vsftpd: the test command starts it natively
// and names it in LUMVIK_TEST_POINT ("PORT FOLDER"), where a Windows path reaches the
// folder through Wine's drive of the root.
void TestPoint::SetUp() {
  StartTestSockets();  // the program's start-up does this for its client
  const char* given = std::getenv("LUMVIK_TEST_POINT");
  ASSERT_NE(given, nullptr) << "LUMVIK_TEST_POINT names no test point";
  std::istringstream(given) >> m_port >> m_dir;
  std::filesystem::create_directories(Scratch());
}

void TestPoint::TearDown() {}

void TestPoint::Start() {
  ADD_FAILURE() << "the test point is the test command's";
}

void TestPoint::Stop() {
  ADD_FAILURE() << "the test point is the test command's";
}
#else
void TestPoint::SetUp() {
  char pattern[] = "/tmp/lumvik-test-point-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  m_dir = pattern;
  ::chmod(m_dir.c_str(), 0755);
  ::mkdir(Scratch().c_str(), 0700);
  if (m_port == 0) m_port = FreeLoopbackPort();
  Start();
}

void TestPoint::TearDown() {
  if (m_dir.empty()) return;
  Stop();
  std::system(("rm -rf '" + m_dir + "'").c_str());
}

void TestPoint::Start() {
  const std::string command = "'" + Script() + "' start '" + m_dir + "' " + std::to_string(m_port);
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

void TestPoint::Stop() {
  std::system(("'" + Script() + "' stop '" + m_dir + "'").c_str());
}
#endif

int FreeLoopbackPort() {
  const int fd = TestSocket(AF_INET);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  CloseSocket(fd);
  return ntohs(address.sin_port);
}
