#include "ftp/socket_failure.h"

#include "ftp/internet_exception.h"
#include "ftp/progress_sink.h"
#include "ftp/send_wait.h"

using socket_api::Failure;

void ThrowSocketError(DWORD error, const std::string& what) {
  throw new CInternetException(error, what);
}

void ThrowSystemError(CSocketLayer& sockets, const char* what) {
  ThrowSystemError(sockets, what, sockets.LastError());
}

void ThrowSystemError(CSocketLayer& sockets, const char* what, int code) {
  DWORD error = ERROR_INTERNET_CONNECTION_ABORTED;
  const Failure failure = sockets.Classify(code);
  if (failure == Failure::kReset) error = ERROR_INTERNET_CONNECTION_RESET;
  if (failure == Failure::kRefused) error = ERROR_INTERNET_CANNOT_CONNECT;
  ThrowSocketError(error, std::string(what) + ": " + sockets.ErrorText(code));
}

SocketHandle NewStreamSocketOrThrow(CSocketLayer& sockets, int family) {
  const SocketHandle socket = sockets.NewStreamSocket(family);
  if (socket == kNoSocket) ThrowSystemError(sockets, "socket");
  return socket;
}

void AskToGoOn(CProgressSink* sink, const char* what) {
  if (sink && sink->ReportWaiting()) ThrowWaitCancelled(what);
}
