// The customer's subscription: the contract's speeds each way in Mbit/s (a million bits),
// as a fixed-line contract states them, and what a run's figures say of it. Kept per user
// beside the history, in a file of the program's own.
#pragma once

#include <string>

// A speed each way, in Mbit/s; negative where not given.
struct CSpeedPair {
  double download = -1.0;
  double upload = -1.0;
  bool IsSet() const { return download > 0.0 && upload > 0.0; }
};

struct CSubscription {
  CSpeedPair maximum;  // without it there is no subscription
  CSpeedPair normallyAvailable;
  CSpeedPair minimum;
  CSpeedPair advertised;  // shown, not judged
  bool IsSet() const { return maximum.IsSet(); }
};

// "DOWN/UP" in Mbit/s, each with a decimal point or comma ("300/300", "2,5/0.5"), above 0
// and at most 100000; false, leaving `pair` as it was, for anything else.
bool ParseSpeedPair(const std::string& text, CSpeedPair* pair);
// The pair as it is entered: "300/300", "2.5/0.5".
std::string SpeedPairText(const CSpeedPair& pair);
// Why the speeds cannot stand together (the minimum above the normally available, either
// above the maximum, a speed without a maximum), in words for the user; empty when they can.
std::string SubscriptionProblem(const CSubscription& subscription);

// The subscription as its file holds it, and back; a text that is not one reads as none.
std::string SubscriptionFileText(const CSubscription& subscription);
CSubscription ParseSubscriptionFile(const std::string& text);

// The subscription in the user's data folder: none where the file is missing or unreadable.
CSubscription LoadSubscription();
// Keeps it, or removes it where it is not set; false, with the cause, when that failed.
bool SaveSubscription(const CSubscription& subscription, std::string* failure);

// What one direction's figure says of the subscription.
struct CSubscriptionVerdict {
  double figureMbit = -1.0;  // the whole line where measured, else the test file's rate
  bool lowerBound = false;   // the figure is a lower bound of the line
  double shareOfMaximum = -1.0;
  // Whether the figure reached the normally available speed and the minimum: 1 or 0, -1
  // where the subscription names no such speed.
  int normallyAvailable = -1;
  int minimum = -1;
};
// The verdict on a figure of `kbit` kbit/s (1 kbit = 1024 bits) of TCP payload; none (share
// negative) without a subscription or a figure.
CSubscriptionVerdict JudgeBySubscription(const CSubscription& subscription, bool upload,
                                         double kbit, bool lowerBound);
// The result text's note: the share of the maximum each way ("Af abonnementet: 96 % ned,
// mindst 95 % op."); empty without a verdict.
std::string SubscriptionText(const CSubscriptionVerdict& download,
                             const CSubscriptionVerdict& upload);
