// The history window: the runs of the result history in a chart and a list, for a range of
// time, with the runs to copy for support or save as CSV. Modeless; it follows the history
// file and the lines that wait to go in, so that a run that ends while it is open appears at
// once, written yet or not.
#pragma once

#include <wx/dialog.h>
#include <wx/timer.h>

#include <ctime>
#include <string>
#include <vector>

#include "speedtest/history_summary.h"
#include "speedtest/schedule_policy.h"

class CHistoryChart;
class CRunTable;
class wxCheckBox;
class wxChoice;
class wxSizer;
class wxStaticText;

class CHistoryDlg : public wxDialog {
 public:
  // Shows the history at `historyPath`; `version` goes into the copied text.
  CHistoryDlg(wxWindow* parent, std::string historyPath, std::string version);

  // Reads the history again if its files changed since the last reading, or at once.
  void Reload(bool evenIfUnchanged = false);
  void SetRange(HistoryRange range);
  // Puts the selected runs (all shown when none is) on the clipboard as text for support.
  void CopySelection();
  // Writes the range's runs to `path` as CSV, for Danish Excel or as the history has them;
  // false, with the reason shown, on failure.
  bool SaveRange(const std::string& path, bool forExcel = false);

  // What the window shows, for a test: the list and the chart; the runs, newest first.
  CRunTable* Table() const { return m_table; }
  CHistoryChart* Chart() const { return m_chart; }
  wxStaticText* Note() const { return m_note; }
  wxStaticText* CampaignNote() const { return m_campaign; }
  wxCheckBox* Hourly() const { return m_hourly; }
  // How often the hourly runs measure the whole line, each choice with its cost a month.
  wxChoice* LineSchedule() const { return m_lineChoice; }
  const std::vector<CHistoryRun>& Shown() const { return m_shown; }

 private:
  // The rows of the window, top to bottom but the chart.
  wxSizer* RangeRow();
  wxWindow* RunTable();
  wxSizer* ButtonRow();
  void ShowRange();
  std::vector<CHistoryRun> Selected() const;
  void OnSaveAs();
  // The checkbox as the schedule is: ticked when on, greyed with the reason when it cannot be.
  void ShowSchedule();
  void OnHourly();
  // The choice's texts with what each costs a month, after the history just read.
  void ShowLineScheduleCosts();
  WholeLineSchedule ChosenLineSchedule() const;
  // The measurement campaign's progress above the chart, where one is kept.
  void ShowCampaign();

  std::string m_path;
  std::string m_version;
  CHistory m_history;
  std::string m_stamp;  // the files' sizes and times at the last reading
  HistoryRange m_range = HistoryRange::kWeek;
  std::vector<CHistoryRun> m_shown;  // newest first, as listed
  wxChoice* m_rangeChoice = nullptr;
  CHistoryChart* m_chart = nullptr;
  wxStaticText* m_note = nullptr;
  wxStaticText* m_campaign = nullptr;
  CRunTable* m_table = nullptr;  // a child window: the dialog owns it
  wxCheckBox* m_hourly = nullptr;
  wxChoice* m_lineChoice = nullptr;
  wxTimer m_watch;
};
