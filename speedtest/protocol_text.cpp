// The protocol's words: the verdict each way, criterion by criterion, with its figures.
#include "speedtest/danish_number.h"
#include "speedtest/protocol.h"

namespace {

std::string Mbit(double mbit) {
  return DanishNumber(mbit, mbit == static_cast<long>(mbit) ? 0 : 1) + " Mbit/s";
}

const char* Met(bool shortfall) {
  return shortfall ? "ikke opfyldt" : "opfyldt";
}

}  // namespace

std::string ProtocolVerdictText(const CProtocolFacts& facts, bool upload) {
  const std::string way = upload ? "Upload" : "Download";
  if (!facts.campaign.IsSet()) {
    return way + ": ingen målekampagne; reglen giver ingen vurdering af enkelte målinger.";
  }
  const CCampaignState state = FollowCampaign(facts.campaign, facts.history, facts.now);
  const CCampaignVerdict verdict = JudgeCampaign(facts.campaign, state, upload);
  if (!state.complete) {
    return way + ": kampagnen er ikke fuldført (" + std::to_string(verdict.days) + " af " +
           std::to_string(kCampaignDays) + " måledage); reglen giver endnu ingen vurdering.";
  }
  const CSubscription& subscription = facts.campaign.subscription;
  const auto speed = [upload](const CSpeedPair& pair) {
    return upload ? pair.upload : pair.download;
  };
  std::string text = way + ":\n";
  text += "  Kriterium 1: 90 % af den maksimale hastighed (" +
          Mbit(0.9 * speed(subscription.maximum)) + ") nået på " +
          std::to_string(verdict.daysReachingNinetyPct) + " af " + std::to_string(verdict.days) +
          " dage; reglen kræver mindst 2: " + Met(verdict.maximumShort) + ".\n";
  if (verdict.runsReachingNormal < 0) {
    text += "  Kriterium 2: abonnementet nævner ingen normalt tilgængelig hastighed.\n";
  } else {
    text += "  Kriterium 2: den normalt tilgængelige hastighed (" +
            Mbit(speed(subscription.normallyAvailable)) + ") nået i " +
            std::to_string(verdict.runsReachingNormal) + " af " + std::to_string(verdict.runs) +
            " målinger; reglen kræver 90 %: " + Met(verdict.normalShort) + ".\n";
  }
  if (verdict.daysUndercuttingMinimum < 0) {
    text += "  Kriterium 3: abonnementet nævner ingen minimumshastighed.\n";
  } else {
    text += "  Kriterium 3: minimumshastigheden (" + Mbit(speed(subscription.minimum)) +
            ") underskredet på " + std::to_string(verdict.daysUndercuttingMinimum) + " af " +
            std::to_string(verdict.days) +
            " dage; reglen tillader højst 1: " + Met(verdict.minimumShort) + ".\n";
  }
  return text + "  Efter reglen lever " + (upload ? "uploaden" : "downloaden") +
         (verdict.Short() ? " ikke op til abonnementet." : " op til abonnementet.");
}
