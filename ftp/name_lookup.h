// Looking up a server's name. The resolver may wait far longer than a slice of a network
// wait (a resolver that is never answered: 10 s and more), so the lookup runs on a thread of
// its own and the caller's wait is sliced like every other; an address literal, known without
// asking, needs neither.
#pragma once

#include <string>
#include <vector>

#include "ftp/environment.h"
#include "ftp/socket_api.h"
#include "kernel/types.h"

class CProgressSink;

// The addresses of `host` (of `family`; AF_UNSPEC: any) with `port`, found through the sockets
// of `env` by `deadlineMs` (its clock's NowMs); `waitSink` (may be null) is asked between slices.
// Throws CInternetException when the name is not found, at the deadline, or when the wait is
// stopped.
std::vector<sockaddr_storage> LookUpAddresses(const CEnvironment& env, const std::string& host,
                                              INTERNET_PORT port, int family, long long deadlineMs,
                                              CProgressSink* waitSink);
