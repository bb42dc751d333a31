// A drawn chart as assistive technology sees it: an image whose name sums it up.
#pragma once

#include <string>

class wxWindow;

// Gives `chart` the role of a chart (an image on GTK) and `summary` as its name; called
// again whenever what it shows changes.
void DescribeChartForAssistiveTechnology(wxWindow* chart, const std::string& summary);
