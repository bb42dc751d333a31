#include <wx/dataview.h>

#include <algorithm>

#include "ui/run_table.h"

namespace {

// The runs as a virtual list model: GTK asks for the rows it shows.
class RunModel : public wxDataViewVirtualListModel {
 public:
  explicit RunModel(const std::vector<CHistoryRun>& runs)
      : wxDataViewVirtualListModel(static_cast<unsigned>(runs.size())), m_runs(runs) {}

  unsigned GetColumnCount() const override { return kRunTableColumnCount; }
  wxString GetColumnType(unsigned) const override { return "string"; }
  void GetValueByRow(wxVariant& value, unsigned row, unsigned column) const override {
    value = row < m_runs.size() ? RunCellText(m_runs[row], static_cast<int>(column)) : wxString();
  }
  bool SetValueByRow(const wxVariant&, unsigned, unsigned) override { return false; }

 private:
  const std::vector<CHistoryRun>& m_runs;
};

// A GTK tree view over the model: AT-SPI reads it as a table, row by row.
class TreeViewTable : public wxDataViewCtrl, public CRunTable {
 public:
  TreeViewTable(wxWindow* parent, const std::vector<CHistoryRun>& runs)
      : wxDataViewCtrl(parent, wxID_ANY, wxDefaultPosition, parent->FromDIP(wxSize(720, 180)),
                       wxDV_MULTIPLE | wxDV_ROW_LINES),
        m_runs(runs),
        m_model(new RunModel(runs)) {
    AssociateModel(m_model.get());
    for (unsigned i = 0; i < kRunTableColumnCount; ++i) {
      const int header = GetTextExtent(wxString::FromUTF8(kRunTableColumns[i])).x;
      const int cell = GetTextExtent(wxString::FromUTF8(kRunTableWidest[i])).x;
      AppendTextColumn(wxString::FromUTF8(kRunTableColumns[i]), i, wxDATAVIEW_CELL_INERT,
                       std::max(header, cell) + FromDIP(32));
    }
  }

  wxWindow* Window() override { return this; }
  void Refill() override {
    UnselectAll();
    m_model->Reset(static_cast<unsigned>(m_runs.size()));
  }
  int RowCount() const override { return static_cast<int>(m_model->GetCount()); }
  wxString Cell(int row, int column) const override {
    wxVariant value;
    GetModel()->GetValue(value, m_model->GetItem(static_cast<unsigned>(row)),
                         static_cast<unsigned>(column));
    return value.GetString();
  }
  void SelectRow(int row) override {
    wxDataViewCtrl::Select(m_model->GetItem(static_cast<unsigned>(row)));
  }
  std::vector<int> SelectedRows() const override {
    wxDataViewItemArray items;
    GetSelections(items);
    std::vector<int> rows;
    for (const wxDataViewItem& item : items)
      rows.push_back(static_cast<int>(m_model->GetRow(item)));
    std::sort(rows.begin(), rows.end());
    return rows;
  }

 private:
  const std::vector<CHistoryRun>& m_runs;
  wxObjectDataPtr<RunModel> m_model;
};

}  // namespace

CRunTable* CRunTable::Create(wxWindow* parent, const std::vector<CHistoryRun>& runs) {
  return new TreeViewTable(parent, runs);
}
