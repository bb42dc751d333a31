#include <wx/access.h>
#include <wx/window.h>

#include "ui/chart_accessible.h"

namespace {

// The chart as MSAA (and UI Automation through its bridge) sees it: a chart named by its
// summary, which the window keeps as its label.
class ChartAccessible : public wxAccessible {
 public:
  explicit ChartAccessible(wxWindow* chart) : wxAccessible(chart), m_chart(chart) {}

  wxAccStatus GetRole(int childId, wxAccRole* role) override {
    if (childId != wxACC_SELF) return wxACC_NOT_IMPLEMENTED;
    *role = wxROLE_SYSTEM_CHART;
    return wxACC_OK;
  }
  wxAccStatus GetName(int childId, wxString* name) override {
    if (childId != wxACC_SELF) return wxACC_NOT_IMPLEMENTED;
    *name = m_chart->GetLabel();
    return wxACC_OK;
  }

 private:
  wxWindow* m_chart;
};

}  // namespace

void DescribeChartForAssistiveTechnology(wxWindow* chart, const std::string& summary) {
  chart->SetLabel(wxString::FromUTF8(summary));
  if (!chart->GetAccessible()) chart->SetAccessible(new ChartAccessible(chart));
}
