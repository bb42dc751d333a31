#include "app/cli_subscription.h"

#include <cstdio>
#include <utility>

#include "app/program_identity.h"

bool ReadSubscriptionWords(const std::string (&words)[4], std::string* command,
                           CSubscription* subscription) {
  const std::string& maximum = words[0];
  if (maximum.empty()) return true;
  const bool others = !(words[1] + words[2] + words[3]).empty();
  if (maximum == "show" || maximum == "clear") {
    *command = maximum;
    if (!others) return true;
    std::fprintf(stderr, "%s: --subscription %s takes no speeds\n", kCliProgramName,
                 maximum.c_str());
    return false;
  }
  *command = "set";
  CSpeedPair* pairs[] = {&subscription->maximum, &subscription->normallyAvailable,
                         &subscription->minimum, &subscription->advertised};
  for (int kind = 0; kind < 4; ++kind) {
    const std::string& text = words[kind];
    if (!text.empty() && !ParseSpeedPair(text, pairs[kind])) {
      std::fprintf(stderr, "%s: '%s' is not DOWN/UP in Mbit/s, such as 300/300\n", kCliProgramName,
                   text.c_str());
      return false;
    }
  }
  const std::string problem = SubscriptionProblem(*subscription);
  if (problem.empty()) return true;
  std::fprintf(stderr, "%s: --subscription: %s\n", kCliProgramName, problem.c_str());
  return false;
}

int SubscriptionCommand(const std::string& command, const CSubscription& typed) {
  CSubscription subscription = typed;
  if (command != "show") {
    std::string failure;
    if (!SaveSubscription(subscription, &failure)) {
      std::fprintf(stderr, "%s: the subscription cannot be kept: %s\n", kCliProgramName,
                   failure.c_str());
      return 1;
    }
  }
  subscription = LoadSubscription();
  if (!subscription.IsSet()) std::printf("no subscription\n");
  const std::pair<const char*, const CSpeedPair*> kinds[] = {
      {"maximum", &subscription.maximum},
      {"normally available", &subscription.normallyAvailable},
      {"minimum", &subscription.minimum},
      {"advertised", &subscription.advertised}};
  for (const auto& [name, pair] : kinds) {
    if (pair->IsSet()) std::printf("%s: %s Mbit/s\n", name, SpeedPairText(*pair).c_str());
  }
  return 0;
}
