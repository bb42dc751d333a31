#include <errno.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "ui/browser_command.h"
#include "ui/browser_launch.h"

bool OpenWithBrowser(const std::string& browser, const std::string& url) {
  std::vector<std::string> arguments = BrowserArguments(browser, url);
  if (arguments.empty()) return false;
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  // The browser runs in a grandchild that no one waits for: the child that starts it ends
  // at once, so neither a zombie nor a wait is left behind. The program is looked up in
  // PATH as the desktop entry expects; no shell reads the arguments.
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    if (::fork() == 0) {
      ::setsid();
      ::execvp(argv[0], argv.data());
      ::_exit(127);
    }
    ::_exit(0);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return true;
}
