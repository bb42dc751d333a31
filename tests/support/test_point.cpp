#include "tests/support/test_point.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

TestPoint* g_testPoint = nullptr;

std::string Script() {
  return std::string(LUMVIK_SOURCE_DIR) + "/scripts/ftp-test-point";
}

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

int FreeLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}
