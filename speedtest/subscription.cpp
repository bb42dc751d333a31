#include "speedtest/subscription.h"

#include <cstdio>
#include <vector>

#include "kernel/directories.h"
#include "speedtest/danish_number.h"
#include "speedtest/rate_conversion.h"
#include "speedtest/record_store.h"

namespace {

constexpr double kFastestMbit = 100000.0;
constexpr char kFileHeading[] = "# Lumvik Hastighed: the subscription's speeds, Mbit/s down/up";

// A speed as the user types it: digits, at most one decimal point or comma, more digits.
// Not strtod: the window's locale may have it read a comma or stop at a point.
bool ParseSpeed(const std::string& text, double* speed) {
  double value = 0.0;
  double scale = 0.0;  // 0 before the decimal sign, then the place of the next digit
  int digits = 0;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      if (scale == 0.0) {
        value = value * 10.0 + (c - '0');
      } else {
        value += (c - '0') * scale;
        scale /= 10.0;
      }
      digits++;
    } else if ((c == '.' || c == ',') && scale == 0.0 && digits > 0) {
      scale = 0.1;
    } else {
      return false;
    }
  }
  if (digits == 0 || scale == 0.1 || digits > 12 || value <= 0.0 || value > kFastestMbit) {
    return false;
  }
  *speed = value;
  return true;
}

std::string SpeedText(double speed) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", speed);
  return text;
}

// The kinds of speed, as the file names them.
struct Kind {
  const char* key;
  CSpeedPair CSubscription::*pair;
};
constexpr Kind kKinds[] = {{"maximum", &CSubscription::maximum},
                           {"normally_available", &CSubscription::normallyAvailable},
                           {"minimum", &CSubscription::minimum},
                           {"advertised", &CSubscription::advertised}};

// Whether `lower` stays at or under `upper` each way where both are given.
bool AtMost(const CSpeedPair& lower, const CSpeedPair& upper) {
  const auto way = [](double low, double high) { return low < 0 || high < 0 || low <= high; };
  return way(lower.download, upper.download) && way(lower.upload, upper.upload);
}

}  // namespace

bool ParseSpeedPair(const std::string& text, CSpeedPair* pair) {
  const std::size_t slash = text.find('/');
  CSpeedPair read;
  if (slash == std::string::npos || !ParseSpeed(text.substr(0, slash), &read.download) ||
      !ParseSpeed(text.substr(slash + 1), &read.upload)) {
    return false;
  }
  *pair = read;
  return true;
}

std::string SpeedPairText(const CSpeedPair& pair) {
  return SpeedText(pair.download) + "/" + SpeedText(pair.upload);
}

std::string SubscriptionProblem(const CSubscription& subscription) {
  if (!subscription.IsSet()) {
    const bool any = subscription.normallyAvailable.IsSet() || subscription.minimum.IsSet() ||
                     subscription.advertised.IsSet();
    return any ? "the other speeds need the maximum" : "";
  }
  if (!AtMost(subscription.minimum, subscription.normallyAvailable)) {
    return "the minimum is above the normally available speed";
  }
  if (!AtMost(subscription.normallyAvailable, subscription.maximum) ||
      !AtMost(subscription.minimum, subscription.maximum)) {
    return "a speed is above the maximum";
  }
  return "";
}

std::string SubscriptionFileText(const CSubscription& subscription) {
  std::string text = std::string(kFileHeading) + "\n";
  for (const Kind& kind : kKinds) {
    const CSpeedPair& pair = subscription.*kind.pair;
    if (pair.IsSet()) text += std::string(kind.key) + "=" + SpeedPairText(pair) + "\n";
  }
  return text;
}

CSubscription ParseSubscriptionFile(const std::string& text) {
  CSubscription read;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const std::size_t equals = line.find('=');
    bool known = false;
    for (const Kind& kind : kKinds) {
      if (equals != std::string::npos && line.compare(0, equals, kind.key) == 0 &&
          equals == std::string(kind.key).size()) {
        known = ParseSpeedPair(line.substr(equals + 1), &(read.*kind.pair));
      }
    }
    if (!known) return CSubscription();
  }
  return SubscriptionProblem(read).empty() ? read : CSubscription();
}

CSubscription LoadSubscription() {
  return ParseSubscriptionFile(ReadDataFile(kSubscriptionName));
}

bool SaveSubscription(const CSubscription& subscription, std::string* failure) {
  return KeepDataFile(kSubscriptionName,
                      subscription.IsSet() ? SubscriptionFileText(subscription) : std::string(),
                      failure);
}

CSubscriptionVerdict JudgeBySubscription(const CSubscription& subscription, bool upload,
                                         double kbit, bool lowerBound) {
  CSubscriptionVerdict verdict;
  if (!subscription.IsSet() || kbit < 0.0) return verdict;
  const auto way = [upload](const CSpeedPair& pair) {
    return upload ? pair.upload : pair.download;
  };
  verdict.figureMbit = MbitOfKbit(kbit);
  verdict.lowerBound = lowerBound;
  verdict.shareOfMaximum = verdict.figureMbit / way(subscription.maximum);
  const auto reached = [&](const CSpeedPair& pair) {
    return way(pair) < 0.0 ? -1 : verdict.figureMbit >= way(pair) ? 1 : 0;
  };
  verdict.normallyAvailable = reached(subscription.normallyAvailable);
  verdict.minimum = reached(subscription.minimum);
  return verdict;
}

std::string SubscriptionText(const CSubscriptionVerdict& download,
                             const CSubscriptionVerdict& upload) {
  std::vector<std::string> ways;
  for (const auto* verdict : {&download, &upload}) {
    if (verdict->shareOfMaximum < 0.0) continue;
    ways.push_back(std::string(verdict->lowerBound ? "mindst " : "") +
                   DanishNumber(verdict->shareOfMaximum * 100.0, 0) + " %" +
                   (verdict == &download ? " ned" : " op"));
  }
  if (ways.empty()) return std::string();
  // The speeds themselves are in the log and the JSON: the status field has room for the
  // shares only.
  std::string text = "Af abonnementet: " + ways[0];
  if (ways.size() > 1) text += ", " + ways[1];
  return text + ".";
}
