// Reads and drives the Windows program's dialog from outside, through Win32 alone, as any
// Win32 tool would: by window title and control id. Runs in the same Wine prefix.
//   win32_probe wait-window TITLE SECONDS      exits 0 once a window of that title shows
//   win32_probe text ID                        prints control ID's text (UTF-8)
//   win32_probe wait-text ID TEXT SECONDS      until control ID's text contains TEXT
//   win32_probe click ID                       clicks button ID
//   win32_probe about                          opens the About box from the system menu
//   win32_probe close                          asks the dialog to close
//   win32_probe count-color ID RRGGBB          prints how many pixels of control ID have
//                                              about that colour, and its size
//   win32_probe close-and-wait SECONDS         asks the dialog to close and prints the ms
//                                              until it is gone
//   win32_probe mouse-click ID                 a left click on control ID
//   win32_probe URL...                         as a browser: appends "N|URL..." to
//                                              %TEMP%\browser.log
//   win32_probe sizes                          prints "ID WIDTH HEIGHT" of each control
//   win32_probe answers SECONDS                prints how many of one look a second the
//                                              dialog answered within 1 s
//   win32_probe hold PATH SECONDS              opens PATH shared with nobody, says "held",
//                                              and keeps it so until killed or SECONDS end
//   win32_probe minimize                       minimises the dialog
//   win32_probe state                          prints how many windows have the dialog's
//                                              title, and "minimised" or "shown"
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const wchar_t kDialogTitle[] = L"Lumvik Hastighedstest";

std::wstring Widen(const char* text) {
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), length);
  wide.resize(wide.size() - 1);
  return wide;
}

std::string Narrow(const std::wstring& wide) {
  const int length =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, text.data(), length, nullptr, nullptr);
  text.resize(text.size() - 1);
  return text;
}

HWND WaitWindow(const std::wstring& title, int seconds) {
  for (int i = 0; i < seconds * 10; ++i) {
    if (HWND window = ::FindWindowW(nullptr, title.c_str())) return window;
    ::Sleep(100);
  }
  return nullptr;
}

std::wstring TextOf(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

HWND Control(HWND dialog, int id) {
  HWND control = ::GetDlgItem(dialog, id);
  if (!control) std::fprintf(stderr, "no control with id %d\n", id);
  return control;
}

}  // namespace

int main() {
  // Arguments as the system holds them, in UTF-16: the ANSI ones lose Danish letters.
  int argc = 0;
  wchar_t** wideArgv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(Narrow(wideArgv[i]));
  std::vector<const char*> argvStorage;
  for (const std::string& argument : arguments) argvStorage.push_back(argument.c_str());
  const char* const* argv = argvStorage.data();
  // Lines end in "\n" alone, as the shell that reads them expects.
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 2) return 2;
  const std::string command = argv[1];
  if (command.rfind("http", 0) == 0) {
    // Started as the browser: records the page it was asked to open.
    wchar_t folder[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, folder);
    // Pages open in processes of their own, which may log at the same moment: an append
    // with FILE_APPEND_DATA alone is one write at the end, so no line overwrites another.
    const HANDLE log = ::CreateFileW((std::wstring(folder) + L"browser.log").c_str(),
                                     FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return 1;
    std::string line = std::to_string(argc - 1) + "|" + command;
    for (int i = 2; i < argc; ++i) line += std::string(" ") + argv[i];
    line += "\n";
    DWORD written = 0;
    const bool logged =
        ::WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
        written == line.size();
    ::CloseHandle(log);
    return logged ? 0 : 1;
  }
  if (command == "hold" && argc == 4) {
    // As a spreadsheet holds a file it has open.
    HANDLE file = ::CreateFileW(Widen(argv[2]).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    std::printf("held\n");
    std::fflush(stdout);
    ::Sleep(static_cast<DWORD>(std::atoi(argv[3])) * 1000);
    ::CloseHandle(file);
    return 0;
  }
  if (command == "wait-window" && argc == 4) {
    return WaitWindow(Widen(argv[2]), std::atoi(argv[3])) ? 0 : 1;
  }
  HWND dialog = WaitWindow(kDialogTitle, 10);
  if (!dialog) {
    std::fprintf(stderr, "the dialog is not there\n");
    return 1;
  }
  if (command == "text" && argc == 3) {
    HWND control = Control(dialog, std::atoi(argv[2]));
    if (!control) return 1;
    std::printf("%s\n", Narrow(TextOf(control)).c_str());
    return 0;
  }
  if (command == "wait-text" && argc == 5) {
    HWND control = Control(dialog, std::atoi(argv[2]));
    const std::wstring wanted = Widen(argv[3]);
    for (int i = 0; control && i < std::atoi(argv[4]) * 10; ++i) {
      if (TextOf(control).find(wanted) != std::wstring::npos) return 0;
      ::Sleep(100);
    }
    if (control) std::fprintf(stderr, "text is: %s\n", Narrow(TextOf(control)).c_str());
    return 1;
  }
  if (command == "click" && argc == 3) {
    HWND control = Control(dialog, std::atoi(argv[2]));
    return control && ::PostMessageW(control, BM_CLICK, 0, 0) ? 0 : 1;
  }
  if (command == "about") {
    // The item as the system menu holds it, then the command it sends.
    HMENU menu = ::GetSystemMenu(dialog, FALSE);
    wchar_t item[128] = {};
    if (!menu || ::GetMenuStringW(menu, 16, item, 128, MF_BYCOMMAND) <= 0) {
      std::fprintf(stderr, "the system menu has no command 16\n");
      return 1;
    }
    std::printf("%s\n", Narrow(item).c_str());
    ::PostMessageW(dialog, WM_SYSCOMMAND, 16, 0);
    HWND about = WaitWindow(L"Om Lumvik Hastighedstest", 10);
    if (!about) return 1;
    std::printf("%s\n", Narrow(TextOf(about)).c_str());
    ::PostMessageW(about, WM_CLOSE, 0, 0);
    for (int i = 0; i < 50 && ::IsWindow(about); ++i) ::Sleep(100);
    return ::IsWindow(about) ? 1 : 0;
  }
  if (command == "close") {
    return ::PostMessageW(dialog, WM_CLOSE, 0, 0) ? 0 : 1;
  }
  if (command == "count-color" && argc == 4) {
    HWND control = Control(dialog, std::atoi(argv[2]));
    if (!control) return 1;
    const unsigned long wanted = std::strtoul(argv[3], nullptr, 16);
    // As the screen shows it: another process's window DC reads blank under Wine.
    RECT area{};
    ::GetWindowRect(control, &area);
    HDC dc = ::GetDC(nullptr);
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        const COLORREF pixel = ::GetPixel(dc, x, y);
        const auto alike = [](int a, int b) { return a - b < 24 && b - a < 24; };
        if (alike(GetRValue(pixel), (wanted >> 16) & 0xff) &&
            alike(GetGValue(pixel), (wanted >> 8) & 0xff) &&
            alike(GetBValue(pixel), wanted & 0xff)) {
          ++count;
        }
      }
    }
    ::ReleaseDC(nullptr, dc);
    std::printf("%d of %ldx%ld\n", count, area.right - area.left, area.bottom - area.top);
    return 0;
  }
  if (command == "close-and-wait" && argc == 3) {
    // How long the dialog takes to go away after a close request, in ms.
    const DWORD start = ::GetTickCount();
    ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    const auto shown = [dialog] { return ::IsWindow(dialog) && ::IsWindowVisible(dialog); };
    for (int i = 0; i < std::atoi(argv[2]) * 100 && shown(); ++i) ::Sleep(10);
    std::printf("%lu\n", ::GetTickCount() - start);
    return shown() ? 1 : 0;
  }
  if (command == "mouse-click" && argc == 3) {
    HWND control = Control(dialog, std::atoi(argv[2]));
    if (!control) return 1;
    ::PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    return ::PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2)) ? 0 : 1;
  }
  if (command == "sizes") {
    ::EnumChildWindows(
        dialog,
        [](HWND child, LPARAM) -> BOOL {
          RECT area{};
          ::GetWindowRect(child, &area);
          std::printf("%d %ld %ld\n", ::GetDlgCtrlID(child), area.right - area.left,
                      area.bottom - area.top);
          return TRUE;
        },
        0);
    return 0;
  }
  if (command == "minimize") return ::ShowWindow(dialog, SW_MINIMIZE) ? 0 : 1;
  if (command == "state") {
    int dialogs = 0;
    ::EnumWindows(
        [](HWND window, LPARAM count) -> BOOL {
          if (TextOf(window) == kDialogTitle) ++*reinterpret_cast<int*>(count);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&dialogs));
    std::printf("%d %s\n", dialogs, ::IsIconic(dialog) ? "minimised" : "shown");
    return 0;
  }
  if (command == "answers" && argc == 3) {
    // As Windows judges "Not Responding": a message the window must answer itself.
    int answered = 0;
    const int looks = std::atoi(argv[2]);
    for (int i = 0; i < looks; ++i) {
      DWORD_PTR result = 0;
      if (::SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result)) ++answered;
      ::Sleep(1000);
    }
    std::printf("%d of %d\n", answered, looks);
    return 0;
  }
  return 2;
}
