#include "speedtest/rate_conversion.h"

#include <climits>
#include <cmath>

namespace {

struct TierWindow {
  int from;
  int to;
  const char* text;
};

constexpr TierWindow kDownloadTiers[] = {
    {10, 16, " 128"},   {23, 32, " 256"},   {47, 64, " 512"},    {97, 128, "1024"},
    {197, 256, "2048"}, {395, 512, "4096"}, {789, 1024, "8192"},
};

constexpr TierWindow kUploadTiers[] = {
    {10, 16, "128"},
    {23, 32, "256"},
    {47, 64, "512"},
};

constexpr double kOneTickSeconds = 0.001;

template <std::size_t N>
bool MatchTier(const TierWindow (&windows)[N], int index, std::string& tierText) {
  for (const TierWindow& window : windows) {
    if (index >= window.from && index <= window.to) {
      tierText = window.text;
      return true;
    }
  }
  return false;
}

}  // namespace

int TruncateToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return INT_MAX;
  if (value <= -2147483648.0) return INT_MIN;
  return static_cast<int>(value);
}

int ComputeRate(double nominalKbit, double seconds, CRateRecord* record) {
  if (seconds <= 0.0) seconds = kOneTickSeconds;
  record->raw = nominalKbit / seconds;
  record->converted = record->raw * kConversionFactor;
  return TruncateToInt(record->converted * 0.125);
}

bool MatchDownloadTier(int index, std::string& tierText) {
  return MatchTier(kDownloadTiers, index, tierText);
}

bool MatchUploadTier(int index, std::string& tierText) {
  return MatchTier(kUploadTiers, index, tierText);
}

std::string TierName(const CRateRecord& record) {
  const std::size_t first = record.tier.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : record.tier.substr(first);
}

std::string ProductTiers(const CRateRecord& download, const CRateRecord& upload) {
  if (!download.matched || !upload.matched) return std::string();
  return TierName(download) + "/" + TierName(upload);
}

std::string ProductName(const CRateRecord& download, const CRateRecord& upload) {
  return ProductName(ProductTiers(download, upload));
}

std::string ProductName(const std::string& tiers) {
  return tiers.empty() ? tiers : kProduct + tiers;
}

std::vector<CTierBand> TierBands(bool download) {
  std::vector<CTierBand> bands;
  // An index is the converted rate in whole units of 8 kbit/s.
  const auto add = [&bands](const TierWindow& window) {
    const std::string text = window.text;
    bands.push_back(
        {text.substr(text.find_first_not_of(' ')), window.from * 8.0, (window.to + 1) * 8.0});
  };
  if (download) {
    for (const TierWindow& window : kDownloadTiers) add(window);
  } else {
    for (const TierWindow& window : kUploadTiers) add(window);
  }
  return bands;
}
