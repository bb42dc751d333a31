#include <gtk/gtk.h>
#include <signal.h>
#include <sys/stat.h>
#include <wx/app.h>
#include <wx/window.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/file_contents.h"
#include "tests/support/user_folders.h"
#include "tests/support/window_test_env.h"

namespace {

std::string g_root;

void RegisterFakeBrowser() {
  const std::string applications = g_root + "/data/applications";
  std::filesystem::create_directories(applications);
  const std::string browser = FakeBrowserPath();
  WriteWholeFile(browser, "#!/bin/sh\necho \"$#|$*\" >> \"$LUMVIK_FAKE_BROWSER_LOG\"\n");
  ::chmod(browser.c_str(), 0755);
  WriteWholeFile(applications + "/lumvik-fake-browser.desktop",
                 "[Desktop Entry]\nType=Application\nName=Fake browser\nExec=" + browser +
                     " %u\nMimeType=text/html;\n");
  WriteWholeFile(g_root + "/config/mimeapps.list",
                 "[Default Applications]\ntext/html=lumvik-fake-browser.desktop\n");
}

}  // namespace

const char kConnectionRefused[] = "Connection refused";

std::string WindowTestRoot() {
  return g_root;
}
std::string FakeBrowserPath() {
  return g_root + "/fake-browser";
}
std::string FakeBrowserLog() {
  return g_root + "/browser.log";
}
std::string FakeBrowserCommand() {
  return FakeBrowserPath() + " %u";
}

std::vector<std::string> NotBrowsers() {
  return {"", "/nonexistent/browser", "/etc/hostname"};
}

std::string ExpectedPrivateFolder() {
  return std::string(std::getenv("XDG_CACHE_HOME")) + "/lumvik-hastighed";
}

bool OnlyTheUserMayEnter(const std::string& folder) {
  struct stat info {};
  return ::stat(folder.c_str(), &info) == 0 && (info.st_mode & 0777) == 0700;
}

std::vector<FolderTakenAway> WaysToTakeTheFolderAway(const std::string& elsewhere) {
  const std::string cache = std::getenv("XDG_CACHE_HOME");
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  auto restore = [=] {
    setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    if (!home.empty()) setenv("HOME", home.c_str(), 1);
  };
  return {
      {"XDG_CACHE_HOME unusable",
       [=] {
         WriteWholeFile(elsewhere + "/not-a-folder", "x");
         setenv("XDG_CACHE_HOME", (elsewhere + "/not-a-folder/cache").c_str(), 1);
       },
       restore},
      {"HOME and XDG_CACHE_HOME unset",
       [] {
         unsetenv("XDG_CACHE_HOME");
         unsetenv("HOME");
       },
       restore},
  };
}

bool PrepareWindowTestRoot() {
  signal(SIGPIPE, SIG_IGN);
  g_root = PointUserFoldersIntoRoot("lumvik-window-test");
  if (g_root.empty()) return false;
  setenv("LUMVIK_FAKE_BROWSER_LOG", FakeBrowserLog().c_str(), 1);
  RegisterFakeBrowser();
  return true;
}

void RemoveWindowTestRoot() {
  RemoveUserFoldersRoot();
}

void PumpWindowEvents() {
  for (int i = 0; i < 5; ++i) wxTheApp->Yield(true);
}

std::string AccessibleNameOf(wxWindow* window) {
  const char* name = atk_object_get_name(gtk_widget_get_accessible(window->GetHandle()));
  return name ? name : "";
}
