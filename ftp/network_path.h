// The computer's side of its connections, for what a run judges beyond the line: the
// interface a connection goes over, that interface's counters, the home router beyond it,
// and the headers each packet carries, as the sockets of an environment tell them. The run
// reads these here rather than from the sockets themselves.
#pragma once

#include <memory>
#include <string>

#include "ftp/environment.h"
#include "ftp/socket_api.h"
#include "kernel/home_router.h"
#include "kernel/network_link.h"

// The interface that a connection from `local` goes over.
CNetworkLink LinkOf(const CEnvironment& env, const sockaddr_storage& local);
// The byte counters of the interface named `name`.
CLinkCounters LinkCounters(const CEnvironment& env, const std::string& name);
// The home router beyond `link`, its search begun; null where none is looked for.
std::unique_ptr<CHomeRouter> HomeRouterBeyond(const CEnvironment& env, const CNetworkLink& link);
// A packet's headers as the interface counts them: TCP with timestamps, IP, and the
// Ethernet header where the link has one.
int PacketHeaderBytes(const sockaddr_storage& local, LinkKind kind);
