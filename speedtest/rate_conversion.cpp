#include "speedtest/rate_conversion.h"

#include <algorithm>

#include <climits>
#include <cmath>
#include <cstdio>

#include "speedtest/danish_number.h"

namespace {

// The provider's product, followed by its tiers.
constexpr char kProduct[] = "Lumvik Bredbånd ";

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

std::string RateLine(const CRateRecord& record) {
  char line[64];
  std::snprintf(line, sizeof line, "%4d kbit/s (omregnet fra %4d kbit/s)",
                TruncateToInt(record.converted), TruncateToInt(record.raw));
  return line;
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

std::string ResultText(const CRateRecord& download, const CRateRecord& upload) {
  std::string text = "Testresultat\n\n";
  text += "Test af download:  ";
  text += RateLine(download);
  text += "\nTest af upload:      ";
  text += RateLine(upload);
  if (download.matched && upload.matched) {
    // The product sentence keeps the blank that pads a three-digit download tier.
    text += "\n\nTestresultatet passer til ";
    text += kProduct;
    text += download.tier;
    text += "/";
    text += upload.tier;
  }
  return text;
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

std::string LineMbitText(double kbit, bool atLeast) {
  return (atLeast ? "mindst " : "") + DanishNumber(kbit * 1024.0 / 1e6, 1);
}

std::string WholeLineDirections(double downloadKbit, bool downloadAtLeast, double uploadKbit,
                                bool uploadAtLeast) {
  const struct {
    double kbit;
    bool atLeast;
    const char* word;
  } directions[] = {{downloadKbit, downloadAtLeast, "ned"}, {uploadKbit, uploadAtLeast, "op"}};
  std::string text;
  for (const auto& direction : directions) {
    if (direction.kbit < 0.0) continue;
    text += (text.empty() ? "" : ", ") + LineMbitText(direction.kbit, direction.atLeast) +
            " Mbit/s " + direction.word;
  }
  return text;
}

std::string LeftFilesText(const std::vector<std::string>& files) {
  if (files.empty()) return std::string();
  return "Bemærk: " + std::to_string(files.size()) +
         (files.size() == 1 ? " testfil kunne" : " testfiler kunne") +
         " ikke slettes fra testserveren.";
}

std::string WholeLineText(const CLineFigure& download, const CLineFigure& upload) {
  const std::string directions = WholeLineDirections(download.kbitPerSecond, download.lowerBound,
                                                     upload.kbitPerSecond, upload.lowerBound);
  return directions.empty() ? std::string() : "Hele linjen: " + directions;
}

std::string WithNotes(const std::string& result, const std::vector<std::string>& notes, int lines) {
  const int room = lines - 1 - static_cast<int>(std::count(result.begin(), result.end(), '\n'));
  std::vector<std::string> shown;
  for (const std::string& note : notes) {
    if (!note.empty() && static_cast<int>(shown.size()) < room) shown.push_back(note);
  }
  if (shown.empty()) return result;
  std::string text = result + (static_cast<int>(shown.size()) < room ? "\n\n" : "\n");
  for (std::size_t i = 0; i < shown.size(); ++i) text += (i > 0 ? "\n" : "") + shown[i];
  return text;
}
