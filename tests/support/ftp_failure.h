// Catches the CFTPException that an action throws, releases it, and returns what it said.
#pragma once

#include <string>

#include "ftp/ftp_exception.h"

struct FtpFailure {
  bool thrown = false;
  int code = -1;
  std::string message;
};

template <typename Action>
FtpFailure FailureOf(Action action) {
  FtpFailure failure;
  try {
    action();
  } catch (CFTPException* e) {
    failure = {true, e->m_nCode, e->m_strMessage};
    e->Delete();
  }
  return failure;
}
