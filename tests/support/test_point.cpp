#include "tests/support/test_point.h"

#ifdef _WIN32
#include <windows.h>

#include "kernel/utf16_win32.h"
#else
#include <sys/stat.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "tests/support/test_sockets.h"

namespace {

TestPoint* g_testPoint = nullptr;

std::string Script() {
  return std::string(LUMVIK_SOURCE_DIR) + "/scripts/ftp-test-point";
}

#ifdef _WIN32
// Wine starts a Unix program as it would a Windows one (its arguments split by Windows'
// rules), but hands back no handle that can be waited on: the script leaves its exit status
// in a file when it is done.
void RunScript(const std::string& folder, const std::string& arguments) {
  const std::string done = folder + "/script.done";
  ::DeleteFileW(Widen(done).c_str());
  // The script gets none of this process's other descriptors, among them the pipe to the
  // test's runner: a server holding that would keep the runner waiting for ever.
  const std::string closeInherited =
      "for fd in /proc/self/fd/*; do n=${fd##*/}; [ $n -gt 2 ] && eval 'exec '$n'>&-'; "
      "done 2>/dev/null; ";
  std::wstring command = Widen("/bin/bash -c \"" + closeInherited + "'" + Script() + "' " +
                               arguments + "; echo $? >'" + done + "'\"");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(::CreateProcessW(L"Z:\\bin\\bash", command.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &process))
      << "the test point's script needs Wine";
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  for (int i = 0; i < 300 && ReadWholeFile(done).empty(); ++i) ::Sleep(50);
  ASSERT_EQ(ReadWholeFile(done), "0\n") << arguments;
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
// Under Wine the test command starts vsftpd natively and names it in LUMVIK_TEST_POINT
// ("PORT FOLDER"), where a Windows path reaches the folder through Wine's drive of the root;
// a test stops and starts it through Wine's start of Unix programs.
void TestPoint::SetUp() {
  StartTestSockets();  // the program's start-up does this for its client
  const char* given = std::getenv("LUMVIK_TEST_POINT");
  ASSERT_NE(given, nullptr) << "LUMVIK_TEST_POINT names no test point";
  std::istringstream(given) >> m_port >> m_dir;
  std::filesystem::create_directories(Scratch());
}

void TestPoint::TearDown() {}

void TestPoint::Start() {
  RunScript(m_dir, "start '" + m_dir + "' " + std::to_string(m_port));
}

void TestPoint::Stop() {
  RunScript(m_dir, "stop '" + m_dir + "'");
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
