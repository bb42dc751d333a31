// The measurement campaign on the command line: started, followed and stopped, and whether
// a scheduled run is one of its runs.
#pragma once

#include <ctime>
#include <string>

#include "speedtest/history_format.h"

// --campaign start|status|stop (status as JSON with `asJson`); the exit status.
int CampaignCommand(const std::string& what, bool asJson);
// --protocol FILE: the protocol of the campaign, or of the latest runs where there is none;
// the exit status.
int ProtocolCommand(const std::string& path, const std::string& testPoint);
// Whether a scheduled run at `now` is to be one of the campaign's, after `history`.
bool CampaignRunNow(const CHistory& history, std::time_t now);
