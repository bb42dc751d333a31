#include "speedtest/result_text.h"

#include <algorithm>
#include <cstdio>

#include "speedtest/danish_number.h"

namespace {

std::string RateLine(const CRateRecord& record) {
  char line[64];
  std::snprintf(line, sizeof line, "%4d kbit/s (omregnet fra %4d kbit/s)",
                TruncateToInt(record.converted), TruncateToInt(record.raw));
  return line;
}

}  // namespace

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

std::string LineMbitText(double kbit, bool atLeast) {
  return (atLeast ? "mindst " : "") + DanishNumber(MbitOfKbit(kbit), 1);
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
