#include "ftp/socket_failure.h"

#include "ftp/internet_exception.h"
#include "ftp/progress_sink.h"
#include "ftp/send_wait.h"

using socket_api::Failure;

void ThrowSocketError(DWORD error, const std::string& what) {
  throw new CInternetException(error, what);
}

void ThrowSystemError(const char* what, int code) {
  DWORD error = ERROR_INTERNET_CONNECTION_ABORTED;
  const Failure failure = socket_api::Classify(code);
  if (failure == Failure::kReset) error = ERROR_INTERNET_CONNECTION_RESET;
  if (failure == Failure::kRefused) error = ERROR_INTERNET_CANNOT_CONNECT;
  ThrowSocketError(error, std::string(what) + ": " + socket_api::ErrorText(code));
}

SocketHandle NewStreamSocketOrThrow(int family) {
  const SocketHandle socket = socket_api::NewStreamSocket(family);
  if (socket == kNoSocket) ThrowSystemError("socket");
  return socket;
}

void AskToGoOn(CProgressSink* sink, const char* what) {
  if (sink && sink->ReportWaiting()) ThrowWaitCancelled(what);
}
