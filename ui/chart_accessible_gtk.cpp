#include <gtk/gtk.h>
#include <wx/window.h>

#include "ui/chart_accessible.h"

void DescribeChartForAssistiveTechnology(wxWindow* chart, const std::string& summary) {
  chart->SetLabel(wxString::FromUTF8(summary));
  GtkWidget* widget = chart->GetHandle();
  AtkObject* accessible = widget ? gtk_widget_get_accessible(widget) : nullptr;
  if (!accessible) return;
  atk_object_set_role(accessible, ATK_ROLE_CHART);
  atk_object_set_name(accessible, summary.c_str());
}
