#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "kernel/hourly_schedule.h"
#include "kernel/own_file.h"

extern char** environ;

namespace {

// The units the Debian package puts in the user-unit folder (/usr/lib/systemd/user).
constexpr char kTimer[] = "lumvik-hastighed-measure.timer";
constexpr char kService[] = "lumvik-hastighed-measure.service";
// The service passes this variable's words to the scheduled run; a drop-in of the user's own
// sets it.
constexpr char kArgumentsVariable[] = "LUMVIK_SCHEDULED";
constexpr int kSystemctlMs = 10000;

// Runs `systemctl --user` with `args`: its exit status, and what it said on either stream in
// `output`; -1 when it cannot be started or does not end within its time.
int Systemctl(const std::vector<std::string>& args, std::string* output) {
  int pipe[2];
  if (::pipe2(pipe, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, pipe[1], STDERR_FILENO);
  std::vector<std::string> words = {"systemctl", "--user", "--no-ask-password"};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t child = -1;
  const int spawned = ::posix_spawnp(&child, "systemctl", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe[1]);
  if (spawned != 0) {
    ::close(pipe[0]);
    return -1;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSystemctlMs);
  bool ended = false;
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd readable{pipe[0], POLLIN, 0};
    if (::poll(&readable, 1, 100) <= 0) continue;
    char buffer[512];
    const ssize_t count = ::read(pipe[0], buffer, sizeof buffer);
    if (count <= 0) {
      ended = true;
      break;
    }
    output->append(buffer, static_cast<std::size_t>(count));
  }
  ::close(pipe[0]);
  if (!ended) ::kill(child, SIGKILL);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// Why systemctl's words mean there is no user manager to ask, or no timer; empty otherwise.
std::string Unavailable(const std::string& said) {
  if (said.find("Failed to connect to bus") != std::string::npos ||
      said.find("offline") != std::string::npos) {
    return "there is no systemd user session";
  }
  if (said.find("not-found") != std::string::npos ||
      said.find("does not exist") != std::string::npos ||
      said.find("No such file") != std::string::npos) {
    return std::string("the timer is not installed (") + kTimer + ")";
  }
  return std::string();
}

// The user's drop-in folder for the service ($XDG_CONFIG_HOME/systemd/user/SERVICE.d, else
// under $HOME/.config), made when `make`; empty without either variable or when it cannot be
// made.
std::string DropInFolder(bool make) {
  std::string base;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
    base = config;
  } else if (const char* home = std::getenv("HOME"); home && *home == '/') {
    base = std::string(home) + "/.config";
  } else {
    return std::string();
  }
  const std::string folder = base + "/systemd/user/" + kService + ".d";
  for (std::size_t end = folder.find('/', 1); make; end = folder.find('/', end + 1)) {
    const std::string part = folder.substr(0, end);
    struct stat info {};
    if (::mkdir(part.c_str(), 0700) != 0 &&
        !(errno == EEXIST && ::stat(part.c_str(), &info) == 0 && S_ISDIR(info.st_mode))) {
      return std::string();
    }
    if (end == std::string::npos) break;
  }
  return folder;
}

// Writes the drop-in that gives the scheduled run `arguments`, and has the manager read it.
bool InstallArguments(const std::string& arguments, std::string* why) {
  const std::string folder = DropInFolder(true);
  if (folder.empty()) {
    *why = "no folder for the service's settings";
    return false;
  }
  const std::string text =
      std::string("[Service]\nEnvironment=\"") + kArgumentsVariable + "=" + arguments + "\"\n";
  if (!ReplaceOwnFile(folder + "/arguments.conf", text, why)) return false;
  std::string said;
  if (Systemctl({"daemon-reload"}, &said) != 0) {
    *why = "systemctl daemon-reload: " + Trimmed(said);
    return false;
  }
  return true;
}

// What the scheduled run is given, as the manager has it.
std::string InstalledArguments() {
  std::string said;
  if (Systemctl({"show", "--property=Environment", "--value", kService}, &said) != 0) return "";
  const std::string key = std::string(kArgumentsVariable) + "=";
  const std::size_t at = said.find(key);
  if (at == std::string::npos) return std::string();
  std::string value = said.substr(at + key.size());
  value = value.substr(0, value.find_first_of("\n\""));
  // systemd shows a value with blanks quoted or escaped, depending on its version.
  for (std::size_t escape; (escape = value.find("\\x20")) != std::string::npos;) {
    value.replace(escape, 4, " ");
  }
  return Trimmed(value);
}

}  // namespace

CScheduleStatus QueryHourlySchedule() {
  CScheduleStatus status;
  std::string said;
  // Without a user manager is-enabled still reads the unit files; this one asks the manager.
  Systemctl({"is-system-running"}, &said);
  const int exit = Systemctl({"is-enabled", kTimer}, &said);
  if (exit < 0) {
    status.detail = "systemctl is not there";
  } else if (exit == 0) {
    status.state = ScheduleState::kOn;
    status.detail = kTimer;
    status.arguments = InstalledArguments();
  } else if (const std::string why = Unavailable(said); !why.empty()) {
    status.detail = why;
  } else {
    status.state = ScheduleState::kOff;
    status.detail = kTimer;
  }
  return status;
}

bool SetHourlySchedule(bool on, const std::string& arguments, std::string* why) {
  const CScheduleStatus before = QueryHourlySchedule();
  if (before.state == ScheduleState::kUnavailable) {
    *why = before.detail;
    return false;
  }
  if (on && !InstallArguments(arguments, why)) return false;
  std::string said;
  if (Systemctl({on ? "enable" : "disable", "--now", kTimer}, &said) != 0) {
    *why = "systemctl: " + Trimmed(said);
    return false;
  }
  return true;
}
