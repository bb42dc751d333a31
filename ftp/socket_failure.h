// The failures of the socket's calls, shared by the socket, its lookup and its connect: each
// a CInternetException with the system's words.
#pragma once

#include <string>

#include "ftp/socket_api.h"
#include "kernel/types.h"

class CProgressSink;

[[noreturn]] void ThrowSocketError(DWORD error, const std::string& what);
// The failure of the system call `what`, by the system's error `code`.
[[noreturn]] void ThrowSystemError(CSocketLayer& sockets, const char* what, int code);
// The failure of the system call `what`, by the last error of `sockets`.
[[noreturn]] void ThrowSystemError(CSocketLayer& sockets, const char* what);
// A new stream socket of `family`, or the system's failure.
SocketHandle NewStreamSocketOrThrow(CSocketLayer& sockets, int family);
// Between the slices of a wait: stops it when `sink` (null asks nobody) says so.
void AskToGoOn(CProgressSink* sink, const char* what);
