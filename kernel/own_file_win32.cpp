#include "kernel/own_file.h"
#include "kernel/utf16_win32.h"

namespace {

class Handle {
 public:
  explicit Handle(HANDLE handle) : m_handle(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (m_handle != INVALID_HANDLE_VALUE) ::CloseHandle(m_handle);
  }
  HANDLE get() const { return m_handle; }

 private:
  HANDLE m_handle;
};

}  // namespace

bool RewriteOwnFile(const std::string& path,
                    const std::function<std::string(const std::string&)>& rewrite) {
  // The file lies in the user's own folder under %LOCALAPPDATA%; a reparse point or a
  // second link to it is someone's plant and is not opened through.
  const Handle file(::CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_ALWAYS, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file.get(), &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
      info.nNumberOfLinks != 1) {
    return false;
  }
  std::string content;
  char buffer[16384];
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr)) return false;
    if (n == 0) break;
    content.append(buffer, n);
  }
  const std::string replaced = rewrite(content);
  LARGE_INTEGER start{};
  if (!::SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN)) return false;
  for (std::size_t done = 0; done < replaced.size();) {
    DWORD n = 0;
    if (!::WriteFile(file.get(), replaced.data() + done, static_cast<DWORD>(replaced.size() - done),
                     &n, nullptr)) {
      return false;
    }
    done += n;
  }
  return ::SetEndOfFile(file.get()) != 0;
}
