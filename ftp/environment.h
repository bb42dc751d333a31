// What the FTP client and the test run ask of the computer, in one object handed down to
// them: its clocks, its sockets and its files. The program hands down the system's; a test
// may hand down its own, such as a network in memory on a virtual clock.
#pragma once

class CClock;
class CFileSystem;
class CSocketLayer;

struct CEnvironment {
  CClock& clock;
  CSocketLayer& sockets;
  CFileSystem& files;
};

// The system's clocks, sockets and files.
const CEnvironment& SystemEnvironment();
