#include "tests/support/test_point.h"

#include "tests/support/test_sockets.h"

namespace {

TestPoint* g_testPoint = nullptr;

}  // namespace

std::string TestPointScript() {
  return std::string(LUMVIK_SOURCE_DIR) + "/scripts/ftp-test-point";
}

TestPoint* TestPoint::Get() {
  return g_testPoint;
}

TestPoint* TestPoint::Register(int port) {
  g_testPoint = new TestPoint;
  g_testPoint->m_port = port;
  ::testing::AddGlobalTestEnvironment(g_testPoint);
  return g_testPoint;
}

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
