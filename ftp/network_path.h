// The computer's side of its connections, for what a run judges beyond the line: the
// interface a connection goes over, that interface's counters, the home router beyond it,
// the headers each packet carries, and the clock the network's waits are read on. The run
// reads these here rather than from the sockets themselves.
#pragma once

#include <memory>
#include <string>

#include "ftp/socket_api.h"
#include "kernel/home_router.h"
#include "kernel/network_link.h"

// The interface that a connection from `local` goes over.
CNetworkLink LinkOf(const sockaddr_storage& local);
// The byte counters of the interface named `name`.
CLinkCounters LinkCounters(const std::string& name);
// The home router beyond `link`, its search begun; null where none is looked for.
std::unique_ptr<CHomeRouter> HomeRouterBeyond(const CNetworkLink& link);
// A packet's headers as the interface counts them: TCP with timestamps, IP, and the
// Ethernet header where the link has one.
int PacketHeaderBytes(const sockaddr_storage& local, LinkKind kind);
// The clock of the network's waits and time-outs, for deadlines that must agree with them.
long long NetworkNowUs();
long long NetworkNowMs();
