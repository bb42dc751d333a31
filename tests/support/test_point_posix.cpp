#include <sys/stat.h>

#include <cstdlib>

#include "tests/support/test_point.h"

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
  const std::string command =
      "'" + TestPointScript() + "' start '" + m_dir + "' " + std::to_string(m_port);
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

void TestPoint::Stop() {
  std::system(("'" + TestPointScript() + "' stop '" + m_dir + "'").c_str());
}
