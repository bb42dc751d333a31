// The FTP test point (scripts/ftp-test-point) as a GoogleTest environment: one fresh
// server for the whole test program, on a free port of 127.0.0.1.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/file_contents.h"

class TestPoint : public ::testing::Environment {
 public:
  // The environment registered by the test program's main; null before.
  static TestPoint* Get();
  // `port` 0: any free port.
  static TestPoint* Register(int port = 0);

  void SetUp() override;
  void TearDown() override;

  // Stops and starts the server again, on the same port and root.
  void Stop();
  void Start();

  int Port() const { return m_port; }
  // The server's root folder: what it serves as "/".
  std::string Root() const { return m_dir + "/root"; }
  // A folder of this run for local files.
  std::string Scratch() const { return m_dir + "/local"; }

 private:
  std::string m_dir;
  int m_port = 0;
};

// scripts/ftp-test-point of this source tree, which starts and stops the server.
std::string TestPointScript();

// A port of 127.0.0.1 that nothing listens on right now.
int FreeLoopbackPort();
