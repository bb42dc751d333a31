// What someone might plant where the program writes its own files, made the way each
// platform makes it; each is false when the system does not let this user make it.
#pragma once

#include <string>

// A symbolic link (a reparse point on Windows) at `link`, to the file `target`.
// False also where the system makes one that it does not show as a link (Wine).
bool PlantLink(const std::string& target, const std::string& link);
// A second hard link at `link` to `target`.
bool PlantHardLink(const std::string& target, const std::string& link);
// Makes `path` a file the user may not write: another user's (as root) on Linux, a
// read-only one on Windows. False also where the system writes it all the same (Wine run
// as root).
bool PlantUnwritable(const std::string& path);
// Whether only the user may read and write `path` (mode 0600); true where files carry no
// such mode (Windows).
bool PrivateToTheUser(const std::string& path);

// While it lives, the process makes new files open to everyone as far as it chooses their
// mode at all (umask 0 on POSIX; nothing on Windows, whose files carry no such mode).
class OpenNewFiles {
 public:
  OpenNewFiles();
  ~OpenNewFiles();
  OpenNewFiles(const OpenNewFiles&) = delete;
  OpenNewFiles& operator=(const OpenNewFiles&) = delete;

 private:
  unsigned m_previous = 0;
};
