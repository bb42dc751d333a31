// The Win32 edge: UTF-8 inside the program, UTF-16 in the system's wide calls, and the
// system's own words for its error numbers.
#pragma once

#include <windows.h>

#include <string>

inline std::wstring Widen(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int length =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
  return wide;
}

inline std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length,
                        nullptr, nullptr);
  return text;
}

// The system's message for error `code` (GetLastError, WSAGetLastError), in UTF-8.
inline std::string SystemErrorText(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring words = length ? std::wstring(text, length) : L"error " + std::to_wstring(code);
  if (text) ::LocalFree(text);
  while (!words.empty() && (words.back() == L'\n' || words.back() == L'\r')) words.pop_back();
  return Narrow(words);
}
