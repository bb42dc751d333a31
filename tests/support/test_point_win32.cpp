#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "kernel/utf16_win32.h"
#include "tests/support/test_point.h"
#include "tests/support/test_sockets.h"

namespace {

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
  std::wstring command = Widen("/bin/bash -c \"" + closeInherited + "'" + TestPointScript() + "' " +
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

}  // namespace

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
