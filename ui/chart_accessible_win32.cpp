#include "ui/chart_accessible.h"
#include "ui/named_accessible_win32.h"

// The chart keeps its summary as its label, and MSAA names it by that.
void DescribeChartForAssistiveTechnology(wxWindow* chart, const std::string& summary) {
  chart->SetLabel(wxString::FromUTF8(summary));
  if (!chart->GetAccessible())
    chart->SetAccessible(new NamedAccessible(chart, wxROLE_SYSTEM_CHART));
}
