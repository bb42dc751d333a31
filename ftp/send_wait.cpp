#include "ftp/send_wait.h"

#include "ftp/internet_exception.h"

void ThrowSendWaitTimeout(const std::string& what) {
  throw new CInternetException(ERROR_INTERNET_TIMEOUT, what + " timed out");
}

void ThrowWaitCancelled(const std::string& what) {
  throw new CInternetException(ERROR_INTERNET_OPERATION_CANCELLED,
                               "stopped by the user while waiting for " + what);
}
