// The protocol a customer hands to the provider or to Teleankenævnet: a PDF of the
// subscription, the campaign's period, the computer's connection, each criterion's verdict
// each way with its figures, a chart of the runs beside the subscription's speeds, a table
// of every run, the program's version and the test point. It states facts and the rule
// applied; the decision is the provider's or the board's. Also for an unfinished campaign or
// none, said to be such.
#pragma once

#include <ctime>
#include <string>

#include "speedtest/campaign.h"
#include "speedtest/history_format.h"

struct CProtocolFacts {
  CCampaign campaign;          // none: the latest runs, under the subscription as it is
  CSubscription subscription;  // the campaign's where there is one
  CHistory history;
  std::time_t now = 0;
  std::string version;    // "3.0.0.4"
  std::string testPoint;  // "host:port"
};

// Writes the protocol to `path`; false, with the cause, where it could not be written.
bool WriteProtocol(const CProtocolFacts& facts, const std::string& path, std::string* failure);

// The protocol's verdict on one direction, in Danish: a line per criterion with its figures,
// then the summary. Unfinished campaigns and none get the reason instead.
std::string ProtocolVerdictText(const CProtocolFacts& facts, bool upload);
