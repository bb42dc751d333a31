// The subscription on the command line: its words read, and set, shown or cleared.
#pragma once

#include <string>

#include "speedtest/subscription.h"

// --subscription and the speeds that go with it (the maximum or "show" or "clear", the
// normally available, the minimum, the advertised; empty where not given) into `command`
// ("set", "show", "clear"; empty without --subscription) and `subscription`; false, having
// said why on standard error, for a usage error.
bool ReadSubscriptionWords(const std::string (&words)[4], std::string* command,
                           CSubscription* subscription);
// Sets (`typed`), shows or clears the subscription as `command` says, then prints it; the
// exit status.
int SubscriptionCommand(const std::string& command, const CSubscription& typed);
