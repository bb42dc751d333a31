// The protocol as a PDF: its sections on pages of text, a chart of the runs drawn through
// libharu, and a table of them.
#include <hpdf.h>

#include <algorithm>
#include <vector>

#include "kernel/calendar.h"
#include "speedtest/connection.h"
#include "speedtest/danish_number.h"
#include "speedtest/pdf_pages.h"
#include "speedtest/protocol.h"

namespace {

std::string Mbit(double mbit) {
  return mbit < 0 ? std::string("-") : DanishNumber(mbit, 1);
}

// A contract's speed: whole where it is whole.
std::string Speed(double mbit) {
  return DanishNumber(mbit, mbit == static_cast<long>(mbit) ? 0 : 1);
}

std::string Pair(const CSpeedPair& pair) {
  return pair.IsSet() ? Speed(pair.download) + " / " + Speed(pair.upload) + " Mbit/s"
                      : std::string("ikke oplyst");
}

// The runs of the protocol, oldest first, each with why it did not count (empty: counted,
// or no campaign).
struct Row {
  CHistoryRun run;
  std::string why;
};
std::vector<Row> ProtocolRows(const CProtocolFacts& facts, const CCampaignState& state) {
  std::vector<Row> rows;
  if (!facts.campaign.IsSet()) {
    const std::size_t from = facts.history.runs.size() > 30 ? facts.history.runs.size() - 30 : 0;
    for (std::size_t i = from; i < facts.history.runs.size(); ++i)
      rows.push_back({facts.history.runs[i], ""});
    return rows;
  }
  for (const CCampaignDay& day : state.days) {
    for (const CHistoryRun& run : day.counted) rows.push_back({run, ""});
  }
  for (const CCampaignMiss& miss : state.missed) rows.push_back({miss.run, miss.why});
  std::sort(rows.begin(), rows.end(),
            [](const Row& a, const Row& b) { return a.run.time < b.run.time; });
  return rows;
}

void Heading(CPdfPages& pages, const CProtocolFacts& facts, const CCampaignState& state) {
  pages.Text("Måleprotokol: bredbåndets hastighed", 16.0f, true);
  pages.Gap(6.0f);
  const CSubscription& s = facts.subscription;
  pages.Text("Abonnement (ned / op)", 11.0f, true);
  pages.Text("Maksimal hastighed: " + Pair(s.maximum) + "\nNormalt tilgængelig hastighed: " +
             Pair(s.normallyAvailable) + "\nMinimumshastighed: " + Pair(s.minimum) +
             "\nAnnonceret hastighed: " + Pair(s.advertised));
  pages.Gap(6.0f);
  pages.Text("Periode", 11.0f, true);
  if (!facts.campaign.IsSet()) {
    pages.Text("Ingen målekampagne: protokollen viser de seneste målinger.");
  } else {
    const std::time_t end = facts.campaign.stopped > 0 ? facts.campaign.stopped : state.ends;
    pages.Text("Målekampagne fra " + LocalTimeText(facts.campaign.started) + " til " +
               LocalTimeText(end) + (facts.campaign.stopped > 0 ? " (stoppet)" : "") + ": " +
               (state.complete ? "fuldført, " : "ikke fuldført, ") +
               std::to_string(CountedRuns(state).size()) + " målinger tæller.");
  }
}

void Connection(CPdfPages& pages, const std::vector<Row>& rows) {
  pages.Gap(6.0f);
  pages.Text("Computerens forbindelse", 11.0f, true);
  if (rows.empty()) {
    pages.Text("Ingen målinger.");
    return;
  }
  const CHistoryRun& last = rows.back().run;
  pages.Text(std::string("Ved den seneste måling: ") + LinkKindWords(last.connectionKind) +
             (last.linkSpeedMbit > 0
                  ? ", netværkskortet " + DanishNumber(last.linkSpeedMbit, 0) + " Mbit/s"
                  : "") +
             ".\nEn måling tæller kun over kabel, med et netværkskort mindst så hurtigt som\n"
             "abonnementet og uden anden trafik af betydning (over 5 % af målingen).");
}

void Verdicts(CPdfPages& pages, const CProtocolFacts& facts) {
  pages.Gap(6.0f);
  pages.Text("Vurdering efter reglen", 11.0f, true);
  pages.Text(
      "Reglen anvendt: den tyske regulators model for måling af faste forbindelser\n"
      "(Bundesnetzagentur, Allgemeinverfügung 99/2021): 30 målinger, 10 på hver af 3\n"
      "kalenderdage med en dag imellem, inden for 14 dage. En retning lever ikke op til\n"
      "abonnementet, hvis et af de tre kriterier ikke er opfyldt.");
  pages.Gap(4.0f);
  pages.Text(ProtocolVerdictText(facts, false));
  pages.Text(ProtocolVerdictText(facts, true));
  pages.Gap(4.0f);
  pages.Text(
      "Protokollen gengiver målingerne og den anvendte regel. Afgørelsen træffes af\n"
      "udbyderen eller Teleankenævnet.",
      9.0f);
}

// The runs' figures each way, oldest left, beside the subscription's speeds.
void Chart(CPdfPages& pages, const std::vector<Row>& rows, const CSubscription& subscription) {
  constexpr float kHeight = 170.0f;
  const float width = CPdfPages::kPageWidth - 2 * CPdfPages::kMargin;
  pages.Gap(8.0f);
  pages.Text(
      "Målingerne i Mbit/s (blå: ned, orange: op); vandrette streger: maksimal (hel),\n"
      "normalt tilgængelig (stiplet) og minimumshastighed (prikket)",
      9.0f);
  pages.Room(kHeight + 20.0f);
  const float bottom = pages.Top() - kHeight - 8.0f;
  double top = std::max(subscription.maximum.download, subscription.maximum.upload);
  for (const Row& row : rows)
    top = std::max({top, BestMbit(row.run, false), BestMbit(row.run, true)});
  top = top > 0 ? top * 1.1 : 1.0;
  const HPDF_Page page = pages.Page();
  const auto yOf = [&](double mbit) { return bottom + static_cast<float>(mbit / top) * kHeight; };
  HPDF_Page_SetLineWidth(page, 0.5f);
  HPDF_Page_SetRGBStroke(page, 0.4f, 0.4f, 0.4f);
  HPDF_Page_Rectangle(page, CPdfPages::kMargin, bottom, width, kHeight);
  HPDF_Page_Stroke(page);
  pages.Write(CPdfPages::kMargin - 30.0f, bottom + kHeight - 8.0f, DanishNumber(top, 0), 7.0f,
              false);
  pages.Write(CPdfPages::kMargin - 10.0f, bottom, "0", 7.0f, false);
  const float colours[2][3] = {{0.1f, 0.3f, 0.8f}, {0.9f, 0.5f, 0.1f}};
  for (int upload = 0; upload < 2; ++upload) {
    HPDF_Page_SetRGBStroke(page, colours[upload][0], colours[upload][1], colours[upload][2]);
    HPDF_Page_SetRGBFill(page, colours[upload][0], colours[upload][1], colours[upload][2]);
    const CSpeedPair* speeds[] = {&subscription.maximum, &subscription.normallyAvailable,
                                  &subscription.minimum};
    const HPDF_UINT16 dashes[][2] = {{1, 0}, {6, 3}, {2, 2}};
    for (int kind = 0; kind < 3; ++kind) {
      const double mbit = upload ? speeds[kind]->upload : speeds[kind]->download;
      if (mbit <= 0) continue;
      HPDF_Page_SetDash(page, dashes[kind], kind == 0 ? 0 : 2, 0);
      HPDF_Page_MoveTo(page, CPdfPages::kMargin, yOf(mbit));
      HPDF_Page_LineTo(page, CPdfPages::kMargin + width, yOf(mbit));
      HPDF_Page_Stroke(page);
    }
    HPDF_Page_SetDash(page, nullptr, 0, 0);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const float x = CPdfPages::kMargin + (i + 0.5f) * width / rows.size();
      HPDF_Page_Rectangle(page, x - 1.5f, yOf(BestMbit(rows[i].run, upload)) - 1.5f, 3.0f, 3.0f);
      HPDF_Page_Fill(page);
    }
  }
  HPDF_Page_SetRGBFill(page, 0, 0, 0);
  pages.Gap(kHeight + 10.0f);
}

void Table(CPdfPages& pages, const std::vector<Row>& rows, bool campaign) {
  pages.Gap(8.0f);
  pages.Text("Alle målinger (hastigheder i Mbit/s, svartid i ms)", 11.0f, true);
  const std::vector<float> widths = {72, 36, 36, 36, 86, 56, 32, 141};
  pages.Row({"Tidspunkt", "Ned", "Op", "Svartid", "Forbindelse", "Anden trafik", "Tæller",
             "Hvorfor ikke"},
            widths, true);
  for (const Row& row : rows) {
    const CHistoryRun& run = row.run;
    const double other = std::max({run.otherDownloadMbit, run.householdDownloadMbit,
                                   run.otherUploadMbit, run.householdUploadMbit});
    pages.Row(
        {LocalTimeText(run.time), Mbit(BestMbit(run, false)), Mbit(BestMbit(run, true)),
         run.rttMs < 0 ? "-" : DanishNumber(run.rttMs, 1),
         std::string(LinkKindWords(run.connectionKind)) +
             (run.linkSpeedMbit > 0 ? ", " + DanishNumber(run.linkSpeedMbit, 0) + " Mbit/s" : ""),
         other < 0 ? "ukendt" : Mbit(other),
         !campaign         ? "-"
         : row.why.empty() ? "ja"
                           : "nej",
         row.why},
        widths, false);
  }
}

}  // namespace

bool WriteProtocol(const CProtocolFacts& facts, const std::string& path, std::string* failure) {
  std::string problem;
  CPdfPages pages(&problem);
  const CCampaignState state = facts.campaign.IsSet()
                                   ? FollowCampaign(facts.campaign, facts.history, facts.now)
                                   : CCampaignState();
  const std::vector<Row> rows = ProtocolRows(facts, state);
  Heading(pages, facts, state);
  Connection(pages, rows);
  Verdicts(pages, facts);
  Chart(pages, rows, facts.subscription);
  Table(pages, rows, facts.campaign.IsSet());
  pages.Gap(10.0f);
  pages.Text("Lumvik Hastighed " + facts.version + " · testpunkt " + facts.testPoint +
                 " · skrevet " + LocalTimeText(facts.now),
             8.0f);
  if (pages.Save(path)) return true;
  *failure = problem.empty() ? "the file could not be written: " + path : problem;
  return false;
}
