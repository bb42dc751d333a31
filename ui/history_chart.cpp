#include "ui/history_chart.h"

#include <wx/dcbuffer.h>
#include <wx/graphics.h>
#include <wx/image.h>
#include <wx/settings.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "speedtest/rate_conversion.h"
#include "ui/chart_accessible.h"
#include "ui/chart_painter.h"
#include "ui/chart_scale.h"

namespace {

// Distances in pixels at 96 DPI.
constexpr int kRight = 16;
constexpr int kTop = 26;
constexpr int kBottom = 26;
constexpr int kPanelGap = 28;
constexpr double kRatesShare = 0.72;

// The colour a third of the way round the colour wheel from `colour`.
wxColour TurnedHue(const wxColour& colour) {
  wxImage::HSVValue hsv =
      wxImage::RGBtoHSV(wxImage::RGBValue(colour.Red(), colour.Green(), colour.Blue()));
  hsv.hue = hsv.hue + 1.0 / 3.0 - (hsv.hue + 1.0 / 3.0 >= 1.0 ? 1.0 : 0.0);
  hsv.saturation = std::max(hsv.saturation, 0.6);
  const wxImage::RGBValue rgb = wxImage::HSVtoRGB(hsv);
  return wxColour(rgb.red, rgb.green, rgb.blue);
}

}  // namespace

CHistoryChart::CHistoryChart(wxWindow* parent)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, parent->FromDIP(wxSize(640, 300)),
               wxFULL_REPAINT_ON_RESIZE) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  // The message font by its real name: GDI+ knows no substitute such as "MS Shell Dlg 2",
  // and draws nothing in it.
  SetFont(*wxNORMAL_FONT);
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

void CHistoryChart::SetSubscription(const CSubscription& subscription) {
  m_subscription = subscription;
  Refresh();
}

wxColour CHistoryChart::DownloadColour() const {
  // The selection colour, lightened on a dark ground, where a dark theme's own is too dim
  // to read as a thin line.
  const wxColour selection = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
  const bool darkGround = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW).GetLuminance() < 0.5;
  return darkGround && selection.GetLuminance() < 0.5 ? Blend(selection, *wxWHITE, 0.4) : selection;
}

wxColour CHistoryChart::UploadColour() const {
  return TurnedHue(DownloadColour());
}

wxColour CHistoryChart::WholeLineColour(bool upload) const {
  return Blend(upload ? UploadColour() : DownloadColour(),
               wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW), 0.5);
}

void CHistoryChart::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(dc));
  if (!gc) return;
  ChartPainter paint(*gc, dc, *this);
  const wxSize size = GetClientSize();
  paint.Fill(wxRect2DDouble(0, 0, size.x, size.y),
             wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
  if (m_runs.empty()) {
    paint.Text("Ingen målinger i perioden", size.x / 2.0, size.y / 2.0, 0.5, 0.5);
  } else {
    Draw(paint, size);
  }
  gc.reset();  // its shapes go onto the DC before the text
  paint.DrawLabels();
}

namespace {

// A figure that not every run measured (the round trips under load, the whole line), each
// with its run's time.
struct MeasuredSeries {
  std::vector<std::time_t> times;
  std::vector<double> values;
  void Add(std::time_t time, double value) {
    if (value < 0) return;  // not measured
    times.push_back(time);
    values.push_back(value);
  }
};

}  // namespace

void CHistoryChart::Draw(ChartPainter& paint, const wxSize& size) const {
  std::vector<std::time_t> times;
  std::vector<double> downloads, uploads, rtts;
  // The round trips under load and the whole line, of the runs that measured them.
  MeasuredSeries loadedDown, loadedUp, lineDown, lineUp;
  double highest = 0.0, slowest = 0.0;
  for (const CHistoryRun& run : m_runs) {
    times.push_back(run.time);
    downloads.push_back(run.downloadConverted);
    uploads.push_back(run.uploadConverted);
    rtts.push_back(run.rttMs);
    loadedDown.Add(run.time, run.downloadLoadedMs);
    loadedUp.Add(run.time, run.uploadLoadedMs);
    lineDown.Add(run.time, run.lineDownload);
    lineUp.Add(run.time, run.lineUpload);
    // A gigabit line's whole-line figure sets the axis beside the tiers' bands.
    highest = std::max(
        {highest, run.downloadConverted, run.uploadConverted, run.lineDownload, run.lineUpload});
    slowest = std::max({slowest, run.rttMs, run.downloadLoadedMs, run.uploadLoadedMs});
  }
  const CSpeedPair& maximum = m_subscription.maximum;
  if (maximum.IsSet())
    highest = std::max({highest, KbitOfMbit(maximum.download), KbitOfMbit(maximum.upload)});
  const double left = paint.Dip(kChartLeft);
  const double width = std::max(1.0, size.x - left - paint.Dip(kRight));
  const double height =
      std::max(1.0, size.y - paint.Dip(kTop) - paint.Dip(kBottom) - paint.Dip(kPanelGap));
  const CValueAxis rateAxis = ValueAxis(highest, 5);
  const ChartPanel rates{wxRect2DDouble(left, paint.Dip(kTop), width, height * kRatesShare),
                         rateAxis.top, m_from, m_to};
  DrawTiers(paint, rates);
  DrawSubscription(paint, rates);
  paint.ValueGrid(rates, rateAxis.step, "kbit/s");
  paint.Series(rates, times, downloads, DownloadColour());
  paint.Series(rates, times, uploads, UploadColour());
  paint.Series(rates, lineDown.times, lineDown.values, WholeLineColour(false));
  paint.Series(rates, lineUp.times, lineUp.values, WholeLineColour(true));
  const bool wholeLine = !lineDown.times.empty() || !lineUp.times.empty();
  DrawLegend(paint, rates, wholeLine ? WholeLineColour(false) : wxNullColour);
  const CValueAxis rttAxis = ValueAxis(slowest, 2);
  const ChartPanel rtt{wxRect2DDouble(left, rates.area.GetBottom() + paint.Dip(kPanelGap), width,
                                      height * (1.0 - kRatesShare)),
                       rttAxis.top, m_from, m_to};
  paint.ValueGrid(rtt, rttAxis.step, "Svartid (ms)");
  paint.Series(rtt, times, rtts, paint.Faint(0.6));
  paint.Series(rtt, loadedDown.times, loadedDown.values, DownloadColour());
  paint.Series(rtt, loadedUp.times, loadedUp.values, UploadColour());
  for (const CTimeMark& mark : TimeMarks(m_from, m_to, static_cast<int>(width / paint.Dip(90)))) {
    const double x = rates.X(mark.time);
    paint.Line(x, rates.area.m_y, x, rtt.area.GetBottom(), paint.Faint(0.1), 1.0);
    paint.Text(wxString::FromUTF8(mark.label), x, rtt.area.GetBottom() + paint.Dip(4), 0.5, 0.0);
  }
}

void CHistoryChart::DrawTiers(ChartPainter& paint, const ChartPanel& rates) const {
  // Download tiers as bands, upload tiers as lines; a label only where it does not run into
  // the one before.
  const double lineHeight = GetCharHeight();
  const wxRect2DDouble& area = rates.area;
  int shade = 0;
  double lastLabel = 1e9;
  for (const CTierBand& band : TierBands(true)) {
    if (band.fromKbit >= rates.top) break;
    const double top = rates.Y(band.toKbit), bottom = rates.Y(band.fromKbit);
    paint.Fill(wxRect2DDouble(area.m_x, top, area.m_width, bottom - top),
               paint.Faint(++shade % 2 ? 0.06 : 0.1));
    if (lastLabel - (top + bottom) / 2 < lineHeight) continue;
    lastLabel = (top + bottom) / 2;
    paint.Text(wxString::FromUTF8("↓ " + band.tier), area.GetRight() - paint.Dip(4), lastLabel, 1.0,
               0.5, paint.Faint(0.55));
  }
  lastLabel = 1e9;
  for (const CTierBand& band : TierBands(false)) {
    if (band.fromKbit >= rates.top) break;
    const double y = rates.Y(band.fromKbit);
    paint.Line(area.m_x, y, area.GetRight(), y, UploadColour(), 1.0, wxPENSTYLE_SHORT_DASH);
    if (lastLabel - y < lineHeight) continue;
    lastLabel = y;
    paint.Text(wxString::FromUTF8("↑ " + band.tier), area.m_x + paint.Dip(4), y, 0.0, 1.0,
               paint.Faint(0.55));
  }
}

void CHistoryChart::DrawSubscription(ChartPainter& paint, const ChartPanel& rates) const {
  const CSpeedPair* speeds[] = {&m_subscription.maximum, &m_subscription.normallyAvailable,
                                &m_subscription.minimum};
  const wxPenStyle styles[] = {wxPENSTYLE_SOLID, wxPENSTYLE_LONG_DASH, wxPENSTYLE_DOT};
  const char* const names[] = {"abonnement, maksimal", "normalt tilgængelig", "minimum"};
  const wxRect2DDouble& area = rates.area;
  for (int kind = 0; kind < 3; ++kind) {
    if (!speeds[kind]->IsSet()) continue;
    for (const bool upload : {true, false}) {
      // On whole pixels: a line of two drawn between pixels would be two blends of its colour.
      const double y =
          std::round(rates.Y(KbitOfMbit(upload ? speeds[kind]->upload : speeds[kind]->download)));
      paint.Line(area.m_x, y, area.GetRight(), y, upload ? UploadColour() : DownloadColour(), 2.0,
                 styles[kind]);
    }
    paint.Text(wxString::FromUTF8(names[kind]), area.m_x + area.m_width / 2,
               rates.Y(KbitOfMbit(speeds[kind]->download)), 0.5, 1.0, paint.Faint(0.55));
  }
}

void CHistoryChart::DrawLegend(ChartPainter& paint, const ChartPanel& rates,
                               const wxColour& wholeLine) const {
  double x = rates.area.GetRight();
  // The test files' rates are converted, the whole line's measured: each says which.
  std::vector<std::pair<const char*, wxColour>> entries = {
      {"Upload (omregnet)", UploadColour()}, {"Download (omregnet)", DownloadColour()}};
  if (wholeLine.IsOk()) entries.emplace_back("Hele linjen (målt)", wholeLine);
  for (const auto& [name, colour] : entries) {
    const wxString label = wxString::FromUTF8(name);
    const wxSize extent = paint.Extent(label);
    paint.Text(label, x, paint.Dip(4), 1.0, 0.0);
    paint.Dot(x - extent.x - paint.Dip(8), paint.Dip(4) + extent.y / 2.0, colour);
    x -= extent.x + paint.Dip(24);
  }
}
