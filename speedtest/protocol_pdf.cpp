// The protocol as a PDF, through libharu: A4 pages of text, a chart and a table, in a font
// of the system's with the Danish letters embedded (PDF's own Helvetica where none is found:
// the letters still survive, in its WinAnsi encoding).
#include <hpdf.h>

#include <algorithm>
#include <vector>

#include "kernel/calendar.h"
#include "kernel/directories.h"
#include "speedtest/connection.h"
#include "speedtest/danish_number.h"
#include "speedtest/protocol.h"

namespace {

constexpr float kMargin = 50.0f;
constexpr float kPageWidth = 595.0f;  // A4 in points
constexpr float kPageHeight = 842.0f;

// UTF-8 as the fonts' single-byte encoding (CP1252): Latin-1 as it is, the dash, and '?'
// for anything else.
std::string Cp1252(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = text[i];
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if ((c & 0xE0) == 0xC0 && i + 1 < text.size()) {
      const unsigned code = ((c & 0x1F) << 6) | (text[++i] & 0x3F);
      out += code < 0x100 ? static_cast<char>(code) : '?';
    } else if ((c & 0xF0) == 0xE0 && i + 2 < text.size()) {
      const unsigned code = ((c & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F);
      i += 2;
      out += code == 0x2013 ? '\x96' : '?';
    } else {
      out += '?';
    }
  }
  return out;
}

void OnError(HPDF_STATUS error, HPDF_STATUS detail, void* data) {
  auto* failure = static_cast<std::string*>(data);
  if (failure->empty()) {
    *failure = "libharu error " + std::to_string(error) + " (" + std::to_string(detail) + ")";
  }
}

// Pages filled from the top: lines of text, table rows, a chart.
class Pages {
 public:
  explicit Pages(std::string* failure) : m_failure(failure) {
    m_pdf = HPDF_New(OnError, failure);
    if (m_pdf == nullptr) return;
    m_font = LoadFont(false);
    m_bold = LoadFont(true);
    NewPage();
  }
  ~Pages() {
    if (m_pdf != nullptr) HPDF_Free(m_pdf);
  }

  // Lines of `text`, each wrapped at the right margin, its continuations indented as it is.
  void Text(const std::string& text, float size = 10.0f, bool bold = false) {
    std::size_t start = 0;
    while (start <= text.size()) {
      const std::size_t end = std::min(text.find('\n', start), text.size());
      Wrapped(text.substr(start, end - start), size, bold);
      start = end + 1;
    }
  }
  void Gap(float points) { m_y -= points; }
  void Row(const std::vector<std::string>& cells, const std::vector<float>& widths, bool bold) {
    Room(12.0f);
    m_y -= 12.0f;
    float x = kMargin;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      Write(x, m_y, cells[i], 7.5f, bold);
      x += widths[i];
    }
  }
  // Room for `height` points below; else a new page.
  void Room(float height) {
    if (m_y - height < kMargin) NewPage();
  }
  float Top() const { return m_y; }
  HPDF_Page Page() const { return m_page; }
  void Write(float x, float y, const std::string& text, float size, bool bold) {
    if (m_page == nullptr) return;
    HPDF_Page_BeginText(m_page);
    HPDF_Page_SetFontAndSize(m_page, bold ? m_bold : m_font, size);
    HPDF_Page_TextOut(m_page, x, y, Cp1252(text).c_str());
    HPDF_Page_EndText(m_page);
  }
  bool Save(const std::string& path) {
    return m_pdf != nullptr && m_failure->empty() &&
           HPDF_SaveToFile(m_pdf, path.c_str()) == HPDF_OK && m_failure->empty();
  }

 private:
  void Wrapped(const std::string& line, float size, bool bold) {
    const std::size_t indent = line.find_first_not_of(' ');
    std::string rest = line;
    while (true) {
      std::size_t cut = rest.size();
      while (cut != std::string::npos && cut > indent &&
             Width(rest.substr(0, cut), size, bold) > kPageWidth - 2 * kMargin) {
        cut = rest.rfind(' ', cut - 1);
      }
      if (cut == std::string::npos || cut <= indent) cut = rest.size();
      Room(size * 1.5f);
      m_y -= size * 1.5f;
      Write(kMargin, m_y, rest.substr(0, cut), size, bold);
      if (cut >= rest.size()) return;
      rest = std::string(indent == std::string::npos ? 0 : indent + 2, ' ') + rest.substr(cut + 1);
    }
  }
  float Width(const std::string& text, float size, bool bold) {
    if (m_page == nullptr) return 0.0f;
    HPDF_Page_SetFontAndSize(m_page, bold ? m_bold : m_font, size);
    return HPDF_Page_TextWidth(m_page, Cp1252(text).c_str());
  }
  HPDF_Font LoadFont(bool bold) {
    const std::string file = DocumentFontPath(bold);
    const char* name =
        file.empty() ? nullptr : HPDF_LoadTTFontFromFile(m_pdf, file.c_str(), HPDF_TRUE);
    if (name != nullptr) return HPDF_GetFont(m_pdf, name, "CP1252");
    m_failure->clear();  // a font that would not load gives way to PDF's own
    return HPDF_GetFont(m_pdf, bold ? "Helvetica-Bold" : "Helvetica", "WinAnsiEncoding");
  }
  void NewPage() {
    m_page = HPDF_AddPage(m_pdf);
    HPDF_Page_SetSize(m_page, HPDF_PAGE_SIZE_A4, HPDF_PAGE_PORTRAIT);
    m_y = kPageHeight - kMargin;
  }

  std::string* m_failure;
  HPDF_Doc m_pdf = nullptr;
  HPDF_Page m_page = nullptr;
  HPDF_Font m_font = nullptr;
  HPDF_Font m_bold = nullptr;
  float m_y = 0.0f;
};

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

void Heading(Pages& pages, const CProtocolFacts& facts, const CCampaignState& state) {
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

void Connection(Pages& pages, const std::vector<Row>& rows) {
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

void Verdicts(Pages& pages, const CProtocolFacts& facts) {
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
void Chart(Pages& pages, const std::vector<Row>& rows, const CSubscription& subscription) {
  constexpr float kHeight = 170.0f;
  const float width = kPageWidth - 2 * kMargin;
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
  HPDF_Page_Rectangle(page, kMargin, bottom, width, kHeight);
  HPDF_Page_Stroke(page);
  pages.Write(kMargin - 30.0f, bottom + kHeight - 8.0f, DanishNumber(top, 0), 7.0f, false);
  pages.Write(kMargin - 10.0f, bottom, "0", 7.0f, false);
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
      HPDF_Page_MoveTo(page, kMargin, yOf(mbit));
      HPDF_Page_LineTo(page, kMargin + width, yOf(mbit));
      HPDF_Page_Stroke(page);
    }
    HPDF_Page_SetDash(page, nullptr, 0, 0);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const float x = kMargin + (i + 0.5f) * width / rows.size();
      HPDF_Page_Rectangle(page, x - 1.5f, yOf(BestMbit(rows[i].run, upload)) - 1.5f, 3.0f, 3.0f);
      HPDF_Page_Fill(page);
    }
  }
  HPDF_Page_SetRGBFill(page, 0, 0, 0);
  pages.Gap(kHeight + 10.0f);
}

void Table(Pages& pages, const std::vector<Row>& rows, bool campaign) {
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
  Pages pages(&problem);
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
