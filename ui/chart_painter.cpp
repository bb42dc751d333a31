#include "ui/chart_painter.h"

#include <cmath>

#include "ui/chart_scale.h"

void ChartPainter::Text(const wxString& text, double x, double y, double alignX, double alignY,
                        const wxColour& colour) {
  const wxSize size = m_dc.GetTextExtent(text);
  m_labels.push_back(
      {text, wxPoint(static_cast<int>(x - size.x * alignX), static_cast<int>(y - size.y * alignY)),
       colour.IsOk() ? colour : m_text});
}

void ChartPainter::DrawLabels() {
  for (const Label& label : m_labels) {
    m_dc.SetTextForeground(label.colour);
    m_dc.DrawText(label.text, label.at);
  }
}

void ChartPainter::Dot(double x, double y, const wxColour& colour) {
  const double r = Dip(kChartPointRadius);
  m_gc.SetPen(*wxTRANSPARENT_PEN);
  m_gc.SetBrush(wxBrush(colour));
  m_gc.DrawEllipse(x - r, y - r, 2 * r, 2 * r);
}

void ChartPainter::ValueGrid(const ChartPanel& panel, double step, const wxString& title) {
  for (double v = 0.0; v <= panel.top + step / 2; v += step) {
    const double y = panel.Y(v);
    Line(panel.area.m_x, y, panel.area.GetRight(), y, Faint(0.15), 1.0);
    Text(wxString::Format("%.0f", v), panel.area.m_x - Dip(6), y, 1.0, 0.5);
  }
  Text(title, panel.area.m_x - Dip(kChartLeft - 6), panel.area.m_y - Dip(4), 0.0, 1.0);
}

void ChartPainter::Series(const ChartPanel& panel, const std::vector<std::time_t>& times,
                          const std::vector<double>& values, const wxColour& colour) {
  const std::time_t gap = JoiningGap(panel.to - panel.from);
  const int columns = static_cast<int>(panel.area.m_width);
  for (const std::vector<std::size_t>& piece : JoinedPieces(times, gap)) {
    const std::vector<std::size_t> kept =
        ColumnExtremes(piece, times, values, panel.from, panel.to, columns);
    // Where runs crowd more than one to a pixel column, each column is a bar from its
    // lowest to its highest: the same picture as the zigzag, and cheap to fill.
    piece.size() > kept.size() ? Bars(panel, times, values, kept, colour)
                               : Lines(panel, times, values, kept, colour);
  }
  // A dot for each run while they lie apart; where they crowd, the lines say it all.
  if (times.size() * Dip(4 * kChartPointRadius) > panel.area.m_width) return;
  for (std::size_t i = 0; i < times.size(); ++i) {
    if (values[i] >= 0) Dot(panel.X(times[i]), panel.Y(values[i]), colour);
  }
}

void ChartPainter::Lines(const ChartPanel& panel, const std::vector<std::time_t>& times,
                         const std::vector<double>& values, const std::vector<std::size_t>& kept,
                         const wxColour& colour) {
  wxGraphicsPath path = m_gc.CreatePath();
  for (std::size_t k = 0; k < kept.size(); ++k) {
    const double x = panel.X(times[kept[k]]);
    const double y = panel.Y(values[kept[k]]);
    k == 0 ? path.MoveToPoint(x, y) : path.AddLineToPoint(x, y);
  }
  m_gc.SetPen(m_gc.CreatePen(wxGraphicsPenInfo(colour).Width(Dip(kChartLineWidth))));
  m_gc.StrokePath(path);
}

void ChartPainter::Bars(const ChartPanel& panel, const std::vector<std::time_t>& times,
                        const std::vector<double>& values, const std::vector<std::size_t>& kept,
                        const wxColour& colour) {
  // One outline round all the columns: their highs left to right, their lows back.
  std::vector<wxPoint2DDouble> highs, lows;
  const double half = Dip(kChartLineWidth) / 2;
  for (std::size_t k = 0; k < kept.size(); ++k) {
    const double x = std::floor(panel.X(times[kept[k]]));
    const bool pair = k + 1 < kept.size() && std::floor(panel.X(times[kept[k + 1]])) == x;
    const double a = panel.Y(values[kept[k]]);
    const double b = pair ? panel.Y(values[kept[++k]]) : a;
    highs.emplace_back(x, std::min(a, b) - half);
    highs.emplace_back(x + 1, std::min(a, b) - half);
    lows.emplace_back(x, std::max(a, b) + half);
    lows.emplace_back(x + 1, std::max(a, b) + half);
  }
  highs.insert(highs.end(), lows.rbegin(), lows.rend());
  m_gc.SetPen(*wxTRANSPARENT_PEN);
  m_gc.SetBrush(wxBrush(colour));
  m_gc.DrawLines(highs.size(), highs.data(), wxWINDING_RULE);
}
