#include "ui/history_chart.h"

#include <wx/dcbuffer.h>
#include <wx/graphics.h>
#include <wx/image.h>
#include <wx/settings.h>

#include <algorithm>
#include <memory>

#include "speedtest/rate_conversion.h"
#include "ui/chart_accessible.h"
#include "ui/chart_scale.h"

namespace {

// Distances in pixels at 96 DPI.
constexpr int kLeft = 60;
constexpr int kRight = 16;
constexpr int kTop = 26;
constexpr int kBottom = 26;
constexpr int kPanelGap = 28;
constexpr double kRatesShare = 0.72;
constexpr double kLineWidth = 2.0;
constexpr double kPointRadius = 3.0;

wxColour Blend(const wxColour& a, const wxColour& b, double share) {
  const auto mix = [share](unsigned char x, unsigned char y) {
    return static_cast<unsigned char>(x + (y - x) * share + 0.5);
  };
  return wxColour(mix(a.Red(), b.Red()), mix(a.Green(), b.Green()), mix(a.Blue(), b.Blue()));
}

// The colour a third of the way round the colour wheel from `colour`.
wxColour TurnedHue(const wxColour& colour) {
  wxImage::HSVValue hsv =
      wxImage::RGBtoHSV(wxImage::RGBValue(colour.Red(), colour.Green(), colour.Blue()));
  hsv.hue = hsv.hue + 1.0 / 3.0 - (hsv.hue + 1.0 / 3.0 >= 1.0 ? 1.0 : 0.0);
  hsv.saturation = std::max(hsv.saturation, 0.6);
  const wxImage::RGBValue rgb = wxImage::HSVtoRGB(hsv);
  return wxColour(rgb.red, rgb.green, rgb.blue);
}

// One panel of the chart: its rectangle and the values it spans.
struct Panel {
  wxRect2DDouble area;
  double top;
  std::time_t from;
  std::time_t to;

  double X(std::time_t t) const {
    return area.m_x + area.m_width * static_cast<double>(t - from) / static_cast<double>(to - from);
  }
  double Y(double value) const {
    return area.m_y + area.m_height * (1.0 - std::min(value, top) / top);
  }
};

class Painter {
 public:
  Painter(wxGraphicsContext& gc, const wxWindow& window)
      : m_gc(gc),
        m_window(window),
        m_text(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT)),
        m_back(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW)) {
    m_gc.SetFont(window.GetFont(), m_text);
  }

  double Dip(double pixels) const {
    return m_window.FromDIP(static_cast<int>(pixels * 100)) / 100.0;
  }
  wxColour Faint(double share) const { return Blend(m_back, m_text, share); }

  void Fill(const wxRect2DDouble& r, const wxColour& colour) {
    m_gc.SetPen(*wxTRANSPARENT_PEN);
    m_gc.SetBrush(wxBrush(colour));
    m_gc.DrawRectangle(r.m_x, r.m_y, r.m_width, r.m_height);
  }
  void Line(double x1, double y1, double x2, double y2, const wxColour& colour, double width,
            wxPenStyle style = wxPENSTYLE_SOLID) {
    m_gc.SetPen(m_gc.CreatePen(wxGraphicsPenInfo(colour).Width(Dip(width)).Style(style)));
    m_gc.StrokeLine(x1, y1, x2, y2);
  }
  void Text(const wxString& text, double x, double y, double alignX = 0.0, double alignY = 0.0,
            const wxColour& colour = wxNullColour) {
    double w, h;
    m_gc.GetTextExtent(text, &w, &h);
    m_gc.SetFont(m_window.GetFont(), colour.IsOk() ? colour : m_text);
    m_gc.DrawText(text, x - w * alignX, y - h * alignY);
  }
  void Dot(double x, double y, const wxColour& colour) {
    const double r = Dip(kPointRadius);
    m_gc.SetPen(*wxTRANSPARENT_PEN);
    m_gc.SetBrush(wxBrush(colour));
    m_gc.DrawEllipse(x - r, y - r, 2 * r, 2 * r);
  }

  // The value axis of `panel` with its grid, and its title above it.
  void ValueGrid(const Panel& panel, double step, const wxString& title) {
    for (double v = 0.0; v <= panel.top + step / 2; v += step) {
      const double y = panel.Y(v);
      Line(panel.area.m_x, y, panel.area.GetRight(), y, Faint(0.15), 1.0);
      Text(wxString::Format("%.0f", v), panel.area.m_x - Dip(6), y, 1.0, 0.5);
    }
    Text(title, panel.area.m_x - Dip(kLeft - 6), panel.area.m_y - Dip(4), 0.0, 1.0);
  }

  // The series of `values` over the runs' times: lines between runs close enough, a dot each.
  void Series(const Panel& panel, const std::vector<std::time_t>& times,
              const std::vector<double>& values, const wxColour& colour) {
    const std::time_t gap = JoiningGap(panel.to - panel.from);
    for (const std::vector<std::size_t>& piece : JoinedPieces(times, gap)) {
      wxGraphicsPath path = m_gc.CreatePath();
      bool started = false;
      for (std::size_t i : ColumnExtremes(piece, times, values, panel.from, panel.to,
                                          static_cast<int>(panel.area.m_width))) {
        const double x = panel.X(times[i]);
        const double y = panel.Y(values[i]);
        started ? path.AddLineToPoint(x, y) : path.MoveToPoint(x, y);
        started = true;
      }
      m_gc.SetPen(m_gc.CreatePen(wxGraphicsPenInfo(colour).Width(Dip(kLineWidth))));
      m_gc.StrokePath(path);
    }
    // A dot for each run while they lie apart; where they crowd, the lines say it all.
    if (times.size() * Dip(4 * kPointRadius) > panel.area.m_width) return;
    for (std::size_t i = 0; i < times.size(); ++i) {
      if (values[i] >= 0) Dot(panel.X(times[i]), panel.Y(values[i]), colour);
    }
  }

 private:
  wxGraphicsContext& m_gc;
  const wxWindow& m_window;
  wxColour m_text;
  wxColour m_back;
};

}  // namespace

CHistoryChart::CHistoryChart(wxWindow* parent)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, parent->FromDIP(wxSize(640, 300)),
               wxFULL_REPAINT_ON_RESIZE) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, &CHistoryChart::OnPaint, this);
}

void CHistoryChart::SetRuns(std::vector<CHistoryRun> runs, std::time_t from, std::time_t to,
                            const std::string& summary) {
  m_runs = std::move(runs);
  m_from = from;
  m_to = std::max(to, from + 1);
  DescribeChartForAssistiveTechnology(this, summary);
  Refresh();
}

wxColour CHistoryChart::DownloadColour() const {
  return wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
}

wxColour CHistoryChart::UploadColour() const {
  return TurnedHue(DownloadColour());
}

void CHistoryChart::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  const std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(dc));
  if (!gc) return;
  Painter paint(*gc, *this);
  const wxSize size = GetClientSize();
  paint.Fill(wxRect2DDouble(0, 0, size.x, size.y),
             wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
  const double left = paint.Dip(kLeft);
  const double width = std::max(1.0, size.x - left - paint.Dip(kRight));
  const double height =
      std::max(1.0, size.y - paint.Dip(kTop) - paint.Dip(kBottom) - paint.Dip(kPanelGap));
  if (m_runs.empty()) {
    paint.Text("Ingen målinger i perioden", size.x / 2.0, size.y / 2.0, 0.5, 0.5);
    return;
  }
  std::vector<std::time_t> times;
  std::vector<double> downloads, uploads, rtts;
  double highest = 0.0, slowest = 0.0;
  for (const CHistoryRun& run : m_runs) {
    times.push_back(run.time);
    downloads.push_back(run.downloadConverted);
    uploads.push_back(run.uploadConverted);
    rtts.push_back(run.rttMs);
    highest = std::max({highest, run.downloadConverted, run.uploadConverted});
    slowest = std::max(slowest, run.rttMs);
  }
  const CValueAxis rateAxis = ValueAxis(highest, 5);
  const Panel rates{wxRect2DDouble(left, paint.Dip(kTop), width, height * kRatesShare),
                    rateAxis.top, m_from, m_to};
  // The provider's tiers behind the rates: download tiers as bands, upload tiers as lines.
  // A label only where it does not run into the one before.
  const double lineHeight = GetCharHeight();
  int shade = 0;
  double lastLabel = 1e9;
  for (const CTierBand& band : TierBands(true)) {
    if (band.fromKbit >= rates.top) break;
    const double top = rates.Y(band.toKbit), bottom = rates.Y(band.fromKbit);
    paint.Fill(wxRect2DDouble(left, top, width, bottom - top),
               paint.Faint(++shade % 2 ? 0.06 : 0.1));
    if (lastLabel - (top + bottom) / 2 < lineHeight) continue;
    lastLabel = (top + bottom) / 2;
    paint.Text(wxString::FromUTF8("↓ " + band.tier), rates.area.GetRight() - paint.Dip(4),
               lastLabel, 1.0, 0.5, paint.Faint(0.55));
  }
  lastLabel = 1e9;
  for (const CTierBand& band : TierBands(false)) {
    if (band.fromKbit >= rates.top) break;
    const double y = rates.Y(band.fromKbit);
    paint.Line(left, y, rates.area.GetRight(), y, UploadColour(), 1.0, wxPENSTYLE_SHORT_DASH);
    if (lastLabel - y < lineHeight) continue;
    lastLabel = y;
    paint.Text(wxString::FromUTF8("↑ " + band.tier), left + paint.Dip(4), y, 0.0, 1.0,
               paint.Faint(0.55));
  }
  paint.ValueGrid(rates, rateAxis.step, "kbit/s (omregnet)");
  paint.Series(rates, times, downloads, DownloadColour());
  paint.Series(rates, times, uploads, UploadColour());
  // The legend, top right.
  double x = rates.area.GetRight();
  for (const auto& [name, colour] : {std::pair<const char*, wxColour>{"Upload", UploadColour()},
                                     {"Download", DownloadColour()}}) {
    double w, h;
    gc->GetTextExtent(name, &w, &h);
    paint.Text(name, x, paint.Dip(4), 1.0, 0.0);
    paint.Dot(x - w - paint.Dip(8), paint.Dip(4) + h / 2, colour);
    x -= w + paint.Dip(24);
  }
  const CValueAxis rttAxis = ValueAxis(slowest, 2);
  const Panel rtt{wxRect2DDouble(left, rates.area.GetBottom() + paint.Dip(kPanelGap), width,
                                 height * (1.0 - kRatesShare)),
                  rttAxis.top, m_from, m_to};
  paint.ValueGrid(rtt, rttAxis.step, "Svartid (ms)");
  paint.Series(rtt, times, rtts, paint.Faint(0.6));
  for (const CTimeMark& mark : TimeMarks(m_from, m_to, static_cast<int>(width / paint.Dip(90)))) {
    const double mx = rates.X(mark.time);
    paint.Line(mx, rates.area.m_y, mx, rtt.area.GetBottom(), paint.Faint(0.1), 1.0);
    paint.Text(wxString::FromUTF8(mark.label), mx, rtt.area.GetBottom() + paint.Dip(4), 0.5, 0.0);
  }
}
