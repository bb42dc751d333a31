#include "app/browser_lookup.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include "ui/browser_command.h"

namespace {

constexpr char kProbeName[] = "tmp.htm";
constexpr char kProbeContent[] = "<HTML></HTML>";

template <typename T>
struct GObjectDeleter {
  void operator()(T* object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter<T>>;

struct GFreeDeleter {
  void operator()(char* text) const { g_free(text); }
};
using GText = std::unique_ptr<char, GFreeDeleter>;

}  // namespace

bool WriteBrowserProbe(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const ssize_t size = sizeof kProbeContent - 1;
  const bool written = ::write(fd, kProbeContent, size) == size;
  return ::close(fd) == 0 && written;
}

namespace {

// The content type of the probe as the desktop sees the file; without the file (a link
// was in the way), as it would see it.
GText ProbeContentType(const std::string& path, bool written) {
  if (written) {
    GObjectPtr<GFile> file(g_file_new_for_path(path.c_str()));
    GObjectPtr<GFileInfo> info(g_file_query_info(file.get(), G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                                 G_FILE_QUERY_INFO_NOFOLLOW_SYMLINKS, nullptr,
                                                 nullptr));
    if (info && g_file_info_get_content_type(info.get())) {
      return GText(g_strdup(g_file_info_get_content_type(info.get())));
    }
  }
  return GText(g_content_type_guess(kProbeName, reinterpret_cast<const guchar*>(kProbeContent),
                                    sizeof kProbeContent - 1, nullptr));
}

// The default application's command line, as its desktop entry gives it; empty when there
// is none or its program cannot be found.
std::string DefaultApplicationForType(const char* contentType) {
  GObjectPtr<GAppInfo> application(g_app_info_get_default_for_type(contentType, FALSE));
  if (!application) return std::string();
  const char* commandLine = g_app_info_get_commandline(application.get());
  if (!commandLine) return std::string();
  const std::vector<std::string> arguments = BrowserArguments(commandLine, "");
  if (arguments.empty()) return std::string();
  GText program(g_find_program_in_path(arguments.front().c_str()));
  return program ? std::string(commandLine) : std::string();
}

}  // namespace

std::string FindDefaultBrowser(const std::string& tempDirectory) {
  const std::string probe = tempDirectory + kProbeName;
  const bool written = WriteBrowserProbe(probe);
  const GText contentType = ProbeContentType(probe, written);
  std::string browser = contentType ? DefaultApplicationForType(contentType.get()) : std::string();
  if (written) ::unlink(probe.c_str());
  return browser;
}
