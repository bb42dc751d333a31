// Timed transfers into rates, and rates into the provider's broadband tiers and products.
// Pure computation: no window, file or network.
#pragma once

#include <string>
#include <vector>

#include "speedtest/run_constants.h"

// The provider's product, followed by its tiers.
inline constexpr char kProduct[] = "Lumvik Bredbånd ";

// A rate in kbit/s of 1024 bits, as the rates are computed, in Mbit/s of a million bits, as
// lines are sold; and back.
inline double MbitOfKbit(double kbit) {
  return kbit * 1024.0 / 1e6;
}
inline double KbitOfMbit(double mbit) {
  return mbit * 1e6 / 1024.0;
}

// One direction's measurement within a test run.
struct CRateRecord {
  double raw = 0.0;        // kbit/s (1 kbit = 1024 bits) from the nominal size and the time
  double converted = 0.0;  // raw × 20/17
  bool matched = false;
  std::string tier;  // written only by a successful match
};

// The nominal sizes that rates are computed from, in kbit of 1024 bits: 1600 and 16384.
constexpr double kSmallFileKbit = kSmallTestFileBytes / 128.0;
constexpr double kLargeFileKbit = kLargeTestFileBytes / 128.0;

// The double nearest to 20/17.
constexpr double kConversionFactor = 1.1764705882352942;

// Truncates toward zero to a 32-bit integer; NaN gives 0 and values beyond the range give
// its nearest end, so that no conversion is undefined.
int TruncateToInt(double value);

// Fills `record`'s rates from `nominalKbit` moved in `seconds` and returns the tier index:
// the converted rate in whole units of 8 kbit/s. A time of zero or less means the transfer
// ended within one tick of the counter, so it counts as one tick (1 ms).
int ComputeRate(double nominalKbit, double seconds, CRateRecord* record);

// True when `index` lies in one of the seven download windows; writes the tier text then.
bool MatchDownloadTier(int index, std::string& tierText);
// True when `index` lies in one of the three upload windows; writes the tier text then.
bool MatchUploadTier(int index, std::string& tierText);

// A tier's text without the blank that pads three-digit download tiers.
std::string TierName(const CRateRecord& record);
// "8192/512" for a run whose both directions matched; empty otherwise.
std::string ProductTiers(const CRateRecord& download, const CRateRecord& upload);
// "Lumvik Bredbånd 8192/512" for a run whose both directions matched; empty otherwise.
std::string ProductName(const CRateRecord& download, const CRateRecord& upload);
// The product of `tiers` ("8192/512"); empty for none.
std::string ProductName(const std::string& tiers);

// A tier as a band of converted rates: from `fromKbit` up to, not including, `toKbit`.
struct CTierBand {
  std::string tier;  // "2048"
  double fromKbit;
  double toKbit;
};
// The tiers of one direction, slowest first.
std::vector<CTierBand> TierBands(bool download);
