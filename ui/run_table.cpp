#include "ui/run_table.h"

#include "kernel/calendar.h"
#include "speedtest/connection.h"
#include "speedtest/danish_number.h"
#include "speedtest/rate_conversion.h"
#include "speedtest/result_text.h"

const char* const kRunTableColumns[kRunTableColumnCount] = {"Tidspunkt",
                                                            "Download kbit/s",
                                                            "Målt",
                                                            "Upload kbit/s",
                                                            "Målt",
                                                            "Produkt",
                                                            "Forsøg",
                                                            "Svartid ms",
                                                            "Belastet ned ms",
                                                            "Belastet op ms",
                                                            "Karakter",
                                                            "Linjen ned Mbit/s",
                                                            "Linjen op Mbit/s",
                                                            "Forbindelse",
                                                            "Anden trafik Mbit/s",
                                                            "Af abonnement"};
const char* const kRunTableWidest[kRunTableColumnCount] = {"00-00-0000 00:00",
                                                           "000000",
                                                           "000000",
                                                           "000000",
                                                           "000000",
                                                           "Lumvik Bredbånd 0000/000",
                                                           "0",
                                                           "0000,0",
                                                           "0000,0",
                                                           "0000,0",
                                                           "A+",
                                                           "mindst 0000,0",
                                                           "mindst 0000,0",
                                                           "Wi-Fi, 0000 Mbit/s, -00 dBm",
                                                           "000,0 ned, 000,0 op",
                                                           "mindst 000 % ned, mindst 000 % op"};

namespace {

wxString Whole(double value) {
  return wxString::Format("%.0f", value);
}

wxString RoundTrip(double ms) {
  return ms < 0 ? wxString() : wxString::FromUTF8(DanishNumber(ms, 1));
}

// The whole line in Mbit/s; empty where it was not measured.
wxString Line(double kbit, bool atLeast) {
  return kbit < 0 ? wxString() : wxString::FromUTF8(LineMbitText(kbit, atLeast));
}

// The computer's own connection: its kind in Danish and a cable's speed; empty where the
// run did not record it.
wxString Connection(const CHistoryRun& run) {
  std::string text = LinkKindWords(run.connectionKind);
  if (run.linkSpeedMbit > 0) text += ", " + DanishNumber(run.linkSpeedMbit, 0) + " Mbit/s";
  if (run.signalDbm < 0) text += ", " + DanishNumber(run.signalDbm, 0) + " dBm";
  return wxString::FromUTF8(text);
}

// The other traffic each way; empty where it was not known.
wxString OtherTraffic(const CHistoryRun& run) {
  if (run.otherDownloadMbit < 0 && run.otherUploadMbit < 0) return wxString();
  const auto way = [](double mbit) { return mbit < 0 ? std::string("?") : DanishNumber(mbit, 1); };
  return wxString::FromUTF8(way(run.otherDownloadMbit) + " ned, " + way(run.otherUploadMbit) +
                            " op");
}

// Each direction's best figure (its whole line where measured, else the test file's rate) as
// a share of the subscription's maximum when the run was made; empty without one.
wxString SubscriptionShare(const CHistoryRun& run) {
  const auto way = [](double line, bool atLeast, double raw, double subscribed) {
    if (subscribed <= 0) return std::string("?");
    const double kbit = line >= 0 ? line : raw;
    return (line >= 0 && atLeast ? "mindst " : "") +
           DanishNumber(MbitOfKbit(kbit) / subscribed * 100.0, 0) + " %";
  };
  if (run.subscribedDownloadMbit <= 0 && run.subscribedUploadMbit <= 0) return wxString();
  return wxString::FromUTF8(
      way(run.lineDownload, run.lineDownloadAtLeast, run.download, run.subscribedDownloadMbit) +
      " ned, " + way(run.lineUpload, run.lineUploadAtLeast, run.upload, run.subscribedUploadMbit) +
      " op");
}

}  // namespace

wxString RunCellText(const CHistoryRun& run, int column) {
  switch (column) {
    case 0:
      return wxString::FromUTF8(LocalTimeText(run.time));
    case 1:
      return Whole(run.downloadConverted);
    case 2:
      return Whole(run.download);
    case 3:
      return Whole(run.uploadConverted);
    case 4:
      return Whole(run.upload);
    case 5:
      return wxString::FromUTF8(run.tiers.empty() ? "intet" : ProductName(run.tiers));
    case 6:
      return wxString::Format("%d", run.attempts);
    case 7:
      return RoundTrip(run.rttMs);
    case 8:
      return RoundTrip(run.downloadLoadedMs);
    case 9:
      return RoundTrip(run.uploadLoadedMs);
    case 10:
      return wxString::FromUTF8(run.latencyGrade);
    case 11:
      return Line(run.lineDownload, run.lineDownloadAtLeast);
    case 12:
      return Line(run.lineUpload, run.lineUploadAtLeast);
    case 13:
      return Connection(run);
    case 14:
      return OtherTraffic(run);
    default:
      return SubscriptionShare(run);
  }
}
