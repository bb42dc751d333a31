// The history window's chart: the converted download and upload rates of a range of runs
// over time, the provider's tiers behind them as bands, the whole line and the customer's
// subscription as measured (TCP payload), each series named with its unit, and the round
// trip in a small panel below. Drawn through wxGraphicsContext in the system's colours, at
// the window's DPI.
#pragma once

#include <wx/window.h>

#include <ctime>
#include <vector>

#include "speedtest/history_format.h"
#include "speedtest/subscription.h"

class ChartPainter;
struct ChartPanel;

class CHistoryChart : public wxWindow {
 public:
  explicit CHistoryChart(wxWindow* parent);

  // Shows `runs` (oldest first) over `from` to `to`; `summary` is what a screen reader
  // hears of the chart.
  void SetRuns(std::vector<CHistoryRun> runs, std::time_t from, std::time_t to,
               const std::string& summary);

  // The subscription whose speeds are drawn as lines; none where not set.
  void SetSubscription(const CSubscription& subscription);

  // The colour of each series, for a legend and for a test that looks for it on screen.
  wxColour DownloadColour() const;
  wxColour UploadColour() const;
  // The whole line's, lighter in the same hue.
  wxColour WholeLineColour(bool upload) const;

 private:
  void OnPaint(wxPaintEvent& event);
  // The runs' panels, tiers, series, legend and time marks on a client area of `size`.
  void Draw(ChartPainter& paint, const wxSize& size) const;
  void DrawTiers(ChartPainter& paint, const ChartPanel& rates) const;
  // The subscription's maximum (solid), normally available (dashed) and minimum (dotted)
  // each way, in the measured unit.
  void DrawSubscription(ChartPainter& paint, const ChartPanel& rates) const;
  // The rates' names by their colours; the whole line's too where `wholeLine` is valid.
  void DrawLegend(ChartPainter& paint, const ChartPanel& rates, const wxColour& wholeLine) const;

  std::vector<CHistoryRun> m_runs;
  std::time_t m_from = 0;
  std::time_t m_to = 1;
  CSubscription m_subscription;
};
