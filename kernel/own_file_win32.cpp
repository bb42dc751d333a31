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

bool Fail(const std::string& path, std::string* failure, DWORD error = ::GetLastError()) {
  *failure = path + ": " + SystemErrorText(error);
  return false;
}

bool Refuse(const std::string& path, std::string* failure, const char* why) {
  *failure = path + ": " + why;
  return false;
}

// The files lie in the user's own folder under %LOCALAPPDATA%; a reparse point or a second
// link to another file is someone's plant and is neither followed nor written.
HANDLE OpenOwn(const std::string& path, DWORD access, DWORD disposition) {
  return ::CreateFileW(Widen(path).c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

bool CheckOwn(HANDLE file, const std::string& path, std::string* failure) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file, &info)) return Fail(path, failure);
  if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return Refuse(path, failure, "a link");
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    return Refuse(path, failure, "not a regular file");
  }
  if (info.nNumberOfLinks != 1) return Refuse(path, failure, "a second link to another file");
  return true;
}

bool WriteAll(HANDLE file, const std::string& content) {
  for (std::size_t done = 0; done < content.size();) {
    DWORD n = 0;
    if (!::WriteFile(file, content.data() + done, static_cast<DWORD>(content.size() - done), &n,
                     nullptr)) {
      return false;
    }
    done += n;
  }
  return true;
}

}  // namespace

bool ReadOwnFile(const std::string& path, std::string* content, std::string* failure) {
  content->clear();
  const Handle file(OpenOwn(path, GENERIC_READ, OPEN_EXISTING));
  if (file.get() == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || Fail(path, failure, error);
  }
  if (!CheckOwn(file.get(), path, failure)) return false;
  char buffer[16384];
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr)) return Fail(path, failure);
    if (n == 0) return true;
    content->append(buffer, n);
  }
}

bool ReplaceOwnFile(const std::string& path, const std::string& content, std::string* failure) {
  {
    const Handle old(OpenOwn(path, GENERIC_READ, OPEN_EXISTING));
    if (old.get() != INVALID_HANDLE_VALUE && !CheckOwn(old.get(), path, failure)) return false;
  }
  const std::string fresh = path + ".new-" + std::to_string(::GetCurrentProcessId());
  ::DeleteFileW(Widen(fresh).c_str());
  {
    const Handle file(OpenOwn(fresh, GENERIC_WRITE, CREATE_NEW));
    if (file.get() == INVALID_HANDLE_VALUE) return Fail(fresh, failure);
    if (!WriteAll(file.get(), content) || !::FlushFileBuffers(file.get())) {
      const DWORD error = ::GetLastError();
      ::DeleteFileW(Widen(fresh).c_str());
      return Fail(fresh, failure, error);
    }
  }
  if (!::MoveFileExW(Widen(fresh).c_str(), Widen(path).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = ::GetLastError();
    ::DeleteFileW(Widen(fresh).c_str());
    return Fail(path, failure, error);
  }
  return true;
}

bool AppendOwnFile(const std::string& path, const std::string& text, std::string* failure) {
  const Handle file(OpenOwn(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS));
  if (file.get() == INVALID_HANDLE_VALUE) return Fail(path, failure);
  if (!CheckOwn(file.get(), path, failure)) return false;
  LARGE_INTEGER before{};
  if (!::SetFilePointerEx(file.get(), LARGE_INTEGER{}, &before, FILE_END)) {
    return Fail(path, failure);
  }
  if (!WriteAll(file.get(), text) || !::FlushFileBuffers(file.get())) {
    // Half a line would read as a wrong one: what was written of it goes again.
    const DWORD error = ::GetLastError();
    if (::SetFilePointerEx(file.get(), before, nullptr, FILE_BEGIN)) ::SetEndOfFile(file.get());
    return Fail(path, failure, error);
  }
  return true;
}

bool RemoveOwnFile(const std::string& path, std::string* failure) {
  if (::DeleteFileW(Widen(path).c_str())) return true;
  const DWORD error = ::GetLastError();
  return error == ERROR_FILE_NOT_FOUND || Fail(path, failure, error);
}
