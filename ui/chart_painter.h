// Drawing on the history chart: a panel's scale from values and times to pixels, and a
// painter of its shapes, grid, series and text in the system's colours, at the window's DPI.
#pragma once

#include <wx/dc.h>
#include <wx/graphics.h>
#include <wx/settings.h>
#include <wx/window.h>

#include <algorithm>
#include <ctime>
#include <vector>

// Distances in pixels at 96 DPI.
inline constexpr int kChartLeft = 60;
inline constexpr double kChartLineWidth = 2.0;
inline constexpr double kChartPointRadius = 3.0;

// `a` mixed with `share` (0 to 1) of `b`.
inline wxColour Blend(const wxColour& a, const wxColour& b, double share) {
  const auto mix = [share](unsigned char x, unsigned char y) {
    return static_cast<unsigned char>(x + (y - x) * share + 0.5);
  };
  return wxColour(mix(a.Red(), b.Red()), mix(a.Green(), b.Green()), mix(a.Blue(), b.Blue()));
}

// One panel of the chart: its rectangle and the values it spans.
struct ChartPanel {
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

class ChartPainter {
 public:
  ChartPainter(wxGraphicsContext& gc, wxDC& dc, const wxWindow& window)
      : m_gc(gc),
        m_dc(dc),
        m_window(window),
        m_text(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT)),
        m_back(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW)) {
    m_dc.SetFont(window.GetFont());
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
  // Text goes on after the shapes, through the DC: GDI+ under Wine draws no text at all.
  void Text(const wxString& text, double x, double y, double alignX = 0.0, double alignY = 0.0,
            const wxColour& colour = wxNullColour);
  wxSize Extent(const wxString& text) const { return m_dc.GetTextExtent(text); }
  // Once the graphics context has put its shapes on the DC.
  void DrawLabels();
  void Dot(double x, double y, const wxColour& colour);

  // The value axis of `panel` with its grid, and its title above it.
  void ValueGrid(const ChartPanel& panel, double step, const wxString& title);

  // The series of `values` over the runs' times: lines between runs close enough, a dot each.
  void Series(const ChartPanel& panel, const std::vector<std::time_t>& times,
              const std::vector<double>& values, const wxColour& colour);

 private:
  struct Label {
    wxString text;
    wxPoint at;
    wxColour colour;
  };

  void Lines(const ChartPanel& panel, const std::vector<std::time_t>& times,
             const std::vector<double>& values, const std::vector<std::size_t>& kept,
             const wxColour& colour);
  void Bars(const ChartPanel& panel, const std::vector<std::time_t>& times,
            const std::vector<double>& values, const std::vector<std::size_t>& kept,
            const wxColour& colour);

  wxGraphicsContext& m_gc;
  wxDC& m_dc;
  const wxWindow& m_window;
  std::vector<Label> m_labels;
  wxColour m_text;
  wxColour m_back;
};
