// The history window's list of runs, one row each, newest first: a list the platform's
// screen readers read row by row (a native list view on Windows, a GTK tree view on Linux),
// which asks for each row's text only as it comes into view, so that years of runs open at
// once.
#pragma once

#include <wx/string.h>

#include <vector>

#include "speedtest/history_format.h"

class wxWindow;

class CRunTable {
 public:
  virtual ~CRunTable() = default;

  // A table of `runs`, which it reads whenever it shows a row and which its owner keeps.
  static CRunTable* Create(wxWindow* parent, const std::vector<CHistoryRun>& runs);

  virtual wxWindow* Window() = 0;
  // The runs changed: as many rows as there are runs now, none selected.
  virtual void Refill() = 0;
  virtual int RowCount() const = 0;
  // A cell's text as the control gives it to a reader of the screen.
  virtual wxString Cell(int row, int column) const = 0;
  virtual void SelectRow(int row) = 0;
  virtual std::vector<int> SelectedRows() const = 0;
};

// The columns' headings, and the text of a run's cell.
inline constexpr int kRunTableColumnCount = 16;
extern const char* const kRunTableColumns[kRunTableColumnCount];
wxString RunCellText(const CHistoryRun& run, int column);
// The widest text a column can hold, for its width.
extern const char* const kRunTableWidest[kRunTableColumnCount];
