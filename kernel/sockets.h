// The process's readiness for network connections.
#pragma once

// Makes the process immune to SIGPIPE (a peer that closes a connection must not end it)
// and checks that the socket layer gives sockets. False when it does not.
bool AfxSocketInit();
// Ends what AfxSocketInit started, when the program ends.
void AfxSocketTerm();
