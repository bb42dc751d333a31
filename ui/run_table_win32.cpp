#include <wx/listctrl.h>

#include <algorithm>

#include "ui/run_table.h"

namespace {

// A virtual report list view: MSAA reads it row by row as any native list.
class ListViewTable : public wxListCtrl, public CRunTable {
 public:
  ListViewTable(wxWindow* parent, const std::vector<CHistoryRun>& runs)
      : wxListCtrl(parent, wxID_ANY, wxDefaultPosition, parent->FromDIP(wxSize(720, 180)),
                   wxLC_REPORT | wxLC_VIRTUAL),
        m_runs(runs) {
    for (int i = 0; i < kRunTableColumnCount; ++i) {
      const int header = GetTextExtent(wxString::FromUTF8(kRunTableColumns[i])).x;
      const int cell = GetTextExtent(wxString::FromUTF8(kRunTableWidest[i])).x;
      AppendColumn(wxString::FromUTF8(kRunTableColumns[i]), wxLIST_FORMAT_LEFT,
                   std::max(header, cell) + FromDIP(20));
    }
  }

  wxWindow* Window() override { return this; }
  void Refill() override {
    for (int row : SelectedRows()) SetItemState(row, 0, wxLIST_STATE_SELECTED);
    SetItemCount(static_cast<long>(m_runs.size()));
    Refresh();
  }
  int RowCount() const override { return GetItemCount(); }
  wxString Cell(int row, int column) const override { return GetItemText(row, column); }
  void SelectRow(int row) override {
    SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  }
  std::vector<int> SelectedRows() const override {
    std::vector<int> rows;
    for (long row = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); row >= 0;
         row = GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
      rows.push_back(static_cast<int>(row));
    }
    return rows;
  }

  wxString OnGetItemText(long item, long column) const override {
    if (item < 0 || static_cast<std::size_t>(item) >= m_runs.size()) return wxString();
    return RunCellText(m_runs[static_cast<std::size_t>(item)], static_cast<int>(column));
  }

 private:
  const std::vector<CHistoryRun>& m_runs;
};

}  // namespace

CRunTable* CRunTable::Create(wxWindow* parent, const std::vector<CHistoryRun>& runs) {
  return new ListViewTable(parent, runs);
}
