#include "ui/history_dlg.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/ffile.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <algorithm>
#include <cstdio>

#include "kernel/hourly_schedule.h"
#include "speedtest/campaign.h"
#include "speedtest/danish_number.h"
#include "speedtest/history_export.h"
#include "speedtest/rate_conversion.h"
#include "speedtest/record_store.h"
#include "ui/history_chart.h"
#include "ui/run_table.h"
#include "ui/subscription_dlg.h"

namespace {

constexpr int kWatchMs = 2000;
const WholeLineSchedule kLineSchedules[] = {WholeLineSchedule::kEveryRun, WholeLineSchedule::kDaily,
                                            WholeLineSchedule::kNever};

std::string LineScheduleText(WholeLineSchedule choice, double monthlyMB) {
  static const char* const words[] = {"Hele linjen ved hver måling", "Hele linjen én gang i døgnet",
                                      "Hele linjen aldrig"};
  std::string text = words[static_cast<int>(choice)];
  if (monthlyMB >= 0.0) text += " (ca. " + DanishNumber(monthlyMB / 1000.0, 1) + " GB om måneden)";
  return text;
}

// The choice the schedule was installed with; daily where it says none.
WholeLineSchedule InstalledLineSchedule(const std::string& arguments) {
  WholeLineSchedule choice = WholeLineSchedule::kDaily;
  const std::string option = "--whole-line-when ";
  const std::size_t at = arguments.find(option);
  if (at != std::string::npos) {
    const std::string rest = arguments.substr(at + option.size());
    ParseWholeLineSchedule(rest.substr(0, rest.find(' ')), &choice);
  }
  return choice;
}

}  // namespace

CHistoryDlg::CHistoryDlg(wxWindow* parent, std::string historyPath, std::string version)
    : wxDialog(parent, wxID_ANY, "Historik", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER | wxMINIMIZE_BOX | wxMAXIMIZE_BOX),
      m_path(std::move(historyPath)),
      m_version(std::move(version)) {
  auto* all = new wxBoxSizer(wxVERTICAL);
  const int border = FromDIP(10);
  all->Add(RangeRow(), 0, wxEXPAND | wxALL, border);
  m_campaign = new wxStaticText(this, wxID_ANY, wxString());
  all->Add(m_campaign, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, border);
  m_chart = new CHistoryChart(this);
  all->Add(m_chart, 3, wxEXPAND | wxLEFT | wxRIGHT, border);
  all->Add(RunTable(), 2, wxEXPAND | wxALL, border);
  all->Add(ButtonRow(), 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, border);
  SetSizerAndFit(all);
  SetEscapeId(wxID_CLOSE);
  Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { Hide(); });
  // Hidden, it reads nothing: ShowHistory reads the file again as it shows it.
  m_watch.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
    if (IsShown()) Reload();
  });
  m_watch.Start(kWatchMs);
  Reload(true);
  ShowSchedule();
}

wxSizer* CHistoryDlg::RangeRow() {
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(new wxStaticText(this, wxID_ANY, "Periode:"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT,
           FromDIP(6));
  m_rangeChoice = new wxChoice(this, wxID_ANY);
  for (HistoryRange range : kHistoryRanges) {
    m_rangeChoice->Append(wxString::FromUTF8(RangeLabel(range)));
  }
  m_rangeChoice->SetSelection(static_cast<int>(m_range));
  m_rangeChoice->Bind(wxEVT_CHOICE,
                      [this](wxCommandEvent& e) { SetRange(kHistoryRanges[e.GetSelection()]); });
  row->Add(m_rangeChoice, 0, wxALIGN_CENTER_VERTICAL);
  m_note = new wxStaticText(this, wxID_ANY, wxString());
  row->Add(m_note, 1, wxALIGN_CENTER_VERTICAL | wxLEFT, FromDIP(12));
  return row;
}

wxWindow* CHistoryDlg::RunTable() {
  m_table = CRunTable::Create(this, m_shown);
  return m_table->Window();
}

wxSizer* CHistoryDlg::ButtonRow() {
  auto* copy = new wxButton(this, wxID_COPY, wxString::FromUTF8("Kopiér"));
  auto* save = new wxButton(this, wxID_SAVEAS, wxString::FromUTF8("Gem som..."));
  auto* subscription = new wxButton(this, wxID_ANY, "Abonnement...");
  auto* close = new wxButton(this, wxID_CLOSE, "Luk");
  subscription->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    CSubscriptionDlg dialog(this);
    if (dialog.ShowModal() == wxID_OK) Reload(true);
  });
  m_hourly = new wxCheckBox(this, wxID_ANY, wxString::FromUTF8("Mål automatisk hver time"));
  copy->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { CopySelection(); });
  save->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnSaveAs(); });
  close->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Hide(); });
  m_hourly->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { OnHourly(); });
  m_lineChoice = new wxChoice(this, wxID_ANY);
  for (const WholeLineSchedule choice : kLineSchedules) {
    m_lineChoice->Append(wxString::FromUTF8(LineScheduleText(choice, -1.0)));
  }
  m_lineChoice->SetSelection(static_cast<int>(WholeLineSchedule::kDaily));
  // A new choice takes effect at once where the schedule is on, else when it is turned on.
  m_lineChoice->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) {
    if (m_hourly->GetValue()) OnHourly();
  });
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(copy, 0, wxRIGHT, FromDIP(6));
  row->Add(save, 0, wxRIGHT, FromDIP(6));
  row->Add(subscription, 0, wxRIGHT, FromDIP(18));
  row->Add(m_hourly, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, FromDIP(6));
  row->Add(m_lineChoice, 0, wxALIGN_CENTER_VERTICAL);
  row->AddStretchSpacer();
  row->Add(close, 0);
  return row;
}

void CHistoryDlg::ShowSchedule() {
  const CScheduleStatus status = QueryHourlySchedule();
  m_hourly->SetValue(status.state == ScheduleState::kOn);
  m_hourly->Enable(status.state != ScheduleState::kUnavailable);
  m_lineChoice->Enable(status.state != ScheduleState::kUnavailable);
  if (status.state == ScheduleState::kOn) {
    m_lineChoice->SetSelection(static_cast<int>(InstalledLineSchedule(status.arguments)));
  }
  m_hourly->SetToolTip(wxString::FromUTF8(
      status.state == ScheduleState::kUnavailable
          ? "Automatisk måling kan ikke slås til her: " + status.detail
          : "En måling i timen, også når vinduet er lukket (" + status.detail + ")"));
}

WholeLineSchedule CHistoryDlg::ChosenLineSchedule() const {
  const int chosen = m_lineChoice->GetSelection();
  return chosen == wxNOT_FOUND ? WholeLineSchedule::kDaily : kLineSchedules[chosen];
}

void CHistoryDlg::ShowLineScheduleCosts() {
  for (const WholeLineSchedule choice : kLineSchedules) {
    m_lineChoice->SetString(
        static_cast<unsigned>(choice),
        wxString::FromUTF8(LineScheduleText(choice, MonthlyMegabytes(choice, m_history))));
  }
  m_lineChoice->SetMinSize(m_lineChoice->GetBestSize());
  Layout();
}

void CHistoryDlg::OnHourly() {
  std::string why;
  const std::string arguments =
      std::string("--whole-line-when ") + WholeLineScheduleName(ChosenLineSchedule());
  if (!SetHourlySchedule(m_hourly->GetValue(), arguments, &why)) {
    wxMessageBox(wxString::FromUTF8("Automatisk måling kunne ikke slås " +
                                    std::string(m_hourly->GetValue() ? "til" : "fra") + ": " + why),
                 "Historik", wxOK | wxICON_ERROR, this);
  } else if (!why.empty()) {
    m_note->SetLabel(wxString::FromUTF8("Automatisk måling er slået til, men ikke helt: " + why));
  }
  ShowSchedule();
}

void CHistoryDlg::Reload(bool evenIfUnchanged) {
  wxString stamp;
  for (const std::string& path : HistoryFiles(m_path)) {
    const wxFileName file(wxString::FromUTF8(path));
    stamp += file.FileExists() ? file.GetSize().ToString() + " " +
                                     file.GetModificationTime().FormatISOCombined() + ";"
                               : wxString("none;");
  }
  if (!evenIfUnchanged && stamp.utf8_string() == m_stamp) return;
  m_stamp = stamp.utf8_string();
  std::string failure;
  const bool read = !m_path.empty() && LoadHistory(m_path, &m_history, &failure);
  if (m_path.empty()) m_history = CHistory();
  ShowRange();
  ShowLineScheduleCosts();
  ShowCampaign();
  if (!read) {
    m_note->SetLabel(wxString::FromUTF8("Historikken kan ikke læses: " +
                                        (m_path.empty() ? std::string("ingen mappe") : failure)));
  }
}

void CHistoryDlg::ShowCampaign() {
  const CCampaign campaign = LoadCampaign();
  const std::time_t now = std::time(nullptr);
  m_campaign->SetLabel(campaign.IsSet()
                           ? wxString::FromUTF8(CampaignProgressText(
                                 campaign, FollowCampaign(campaign, m_history, now), now))
                           : wxString());
  m_campaign->Show(campaign.IsSet());
  Layout();
}

void CHistoryDlg::SetRange(HistoryRange range) {
  m_range = range;
  m_rangeChoice->SetSelection(static_cast<int>(range));
  ShowRange();
}

void CHistoryDlg::ShowRange() {
  const std::time_t now = std::time(nullptr);
  std::vector<CHistoryRun> runs = RunsInRange(m_history, m_range, now);
  const std::time_t from =
      m_range == HistoryRange::kAll && !runs.empty() ? runs.front().time : RangeStart(m_range, now);
  const CSubscription subscription = LoadSubscription();
  m_chart->SetSubscription(subscription);
  m_chart->SetRuns(
      runs, from, now,
      SummaryText(m_range, Summarise(runs)) +
          (subscription.IsSet() ? " Abonnement: " + SpeedPairText(subscription.maximum) + " Mbit/s."
                                : std::string()));
  m_shown.assign(runs.rbegin(), runs.rend());
  m_table->Refill();
  std::string note;
  if (m_history.runs.empty()) {
    note = "Der er endnu ingen målinger i historikken.";
  } else if (m_shown.empty()) {
    note = "Ingen målinger i perioden.";
  }
  if (m_history.skippedRows > 0) {
    note += (note.empty() ? "" : " ") + std::to_string(m_history.skippedRows) +
            (m_history.skippedRows == 1 ? " linje" : " linjer") + " kunne ikke læses.";
  }
  m_note->SetLabel(wxString::FromUTF8(note));
}

std::vector<CHistoryRun> CHistoryDlg::Selected() const {
  std::vector<CHistoryRun> runs;
  for (int row : m_table->SelectedRows()) runs.push_back(m_shown[static_cast<std::size_t>(row)]);
  if (runs.empty()) runs = m_shown;
  // Oldest first, as a reader of a letter expects.
  std::reverse(runs.begin(), runs.end());
  return runs;
}

void CHistoryDlg::CopySelection() {
  wxClipboardLocker locker;
  if (!locker) return;
  wxTheClipboard->SetData(
      new wxTextDataObject(wxString::FromUTF8(RunsAsText(Selected(), m_version))));
  wxTheClipboard->Flush();
}

bool CHistoryDlg::SaveRange(const std::string& path, bool forExcel) {
  std::vector<CHistoryRun> runs(m_shown.rbegin(), m_shown.rend());
  const std::string csv = forExcel ? RunsAsExcelCsv(runs) : RunsAsCsv(runs);
  wxFFile file(wxString::FromUTF8(path), "wb");
  if (file.IsOpened() && file.Write(csv.data(), csv.size()) == csv.size() && file.Close()) {
    return true;
  }
  wxMessageBox(wxString::FromUTF8("Filen kunne ikke gemmes: " + path), "Historik",
               wxOK | wxICON_ERROR, this);
  return false;
}

void CHistoryDlg::OnSaveAs() {
  // Excel's first: a double click opens the file there. The plain one is for programs.
  wxFileDialog dialog(
      this, wxString::FromUTF8("Gem historik som"), wxString(), "lumvik-hastighed.csv",
      wxString::FromUTF8("CSV til Excel (*.csv)|*.csv|CSV til programmer (*.csv)|*.csv"),
      wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
  if (dialog.ShowModal() == wxID_OK) {
    SaveRange(dialog.GetPath().utf8_string(), dialog.GetFilterIndex() == 0);
  }
}
