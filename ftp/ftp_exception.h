// The one error of the FTP transfer subsystem: a code and a fixed English message.
#pragma once

#include <string>

#include "kernel/exception.h"

class CFTPException : public CException {
 public:
  enum Code : int {
    kUnknown = 0,
    kLoginFailed = 1,
    kAlreadyConnected = 2,
    kNotConnected = 3,
    kCannotCreateLocalFile = 4,
    kCannotOpenLocalFile = 5,
    kLocalFileError = 6,
    kRemoteDirectoryRefused = 7,
    kCannotOpenRemoteFile = 8,
    kCannotOpenRemoteFileForWriting = 9,
    kAborted = 16,
  };

  CFTPException(int code, std::string message, std::string cause = std::string())
      : CException(true),
        m_nCode(code),
        m_strMessage(std::move(message)),
        m_strCause(std::move(cause)) {}
  ~CFTPException() override = default;

  int m_nCode;
  std::string m_strMessage;
  // What lay behind it, for the run's log: the server's reply or the system's error.
  std::string m_strCause;
};

// The messages that the subsystem gives its codes.
namespace ftp_message {
inline constexpr const char kUnknown[] = "An unknown error occured";
inline constexpr const char kLoginFailed[] = "Cannot login to the server ";
inline constexpr const char kAlreadyConnected[] =
    "Another session is not disconnected yet. Logoff before trying to connect again!";
inline constexpr const char kNotConnected[] = "Not connected to any FTP server!";
inline constexpr const char kCannotCreateFile[] = "Unable to create file";
inline constexpr const char kCannotOpenFile[] = "Unable to open file";
inline constexpr const char kCannotOpenRemoteFile[] = "Unable to open remote file ";
inline constexpr const char kForWriting[] = " for writing";
inline constexpr const char kAborted[] = "File transfer is aborted by the user";
}  // namespace ftp_message
