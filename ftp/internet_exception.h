// The failure of the Internet classes: a network, protocol or log-in failure.
#pragma once

#include <string>

#include "kernel/exception.h"
#include "kernel/types.h"

enum InternetError : DWORD {
  ERROR_INTERNET_TIMEOUT = 12002,
  ERROR_INTERNET_EXTENDED_ERROR = 12003,
  ERROR_INTERNET_NAME_NOT_RESOLVED = 12007,
  ERROR_INTERNET_INVALID_OPERATION = 12016,
  ERROR_INTERNET_LOGIN_FAILURE = 12015,
  ERROR_INTERNET_OPERATION_CANCELLED = 12017,
  ERROR_INTERNET_CANNOT_CONNECT = 12029,
  ERROR_INTERNET_CONNECTION_ABORTED = 12030,
  ERROR_INTERNET_CONNECTION_RESET = 12031,
  ERROR_FTP_TRANSFER_IN_PROGRESS = 12110,
  ERROR_FTP_DROPPED = 12111,
  ERROR_INTERNET_PROTOCOL_ERROR = 12152,
};

class CInternetException : public CException {
 public:
  CInternetException(DWORD error, std::string detail)
      : m_dwError(error), m_strDetail(std::move(detail)) {}

  DWORD m_dwError;
  std::string m_strDetail;  // what went wrong, for a developer's eyes
};
