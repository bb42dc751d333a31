#include "ui/subscription_dlg.h"

#include <wx/button.h>
#include <wx/filedlg.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <ctime>

#include "kernel/directories.h"
#include "speedtest/campaign.h"
#include "speedtest/protocol.h"
#include "speedtest/record_store.h"
#include "speedtest/server_address.h"

namespace {

const char* const kKindLabels[] = {
    "Maksimal hastighed:", "Normalt tilgængelig:", "Minimum:", "Annonceret:"};

CSpeedPair CSubscription::*const kKinds[] = {&CSubscription::maximum,
                                             &CSubscription::normallyAvailable,
                                             &CSubscription::minimum, &CSubscription::advertised};

// A speed as the field shows it: Danish, without needless decimals; empty where not given.
wxString SpeedField(double mbit) {
  if (mbit <= 0) return wxString();
  std::string text = SpeedPairText({mbit, mbit});
  text = text.substr(0, text.find('/'));
  for (char& c : text) {
    if (c == '.') c = ',';
  }
  return wxString::FromUTF8(text);
}

}  // namespace

CSubscriptionDlg::CSubscriptionDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "Dit abonnement") {
  const CSubscription kept = LoadSubscription();
  auto* grid = new wxFlexGridSizer(3, FromDIP(6), FromDIP(12));
  grid->AddSpacer(0);
  grid->Add(new wxStaticText(this, wxID_ANY, "Ned, Mbit/s"));
  grid->Add(new wxStaticText(this, wxID_ANY, "Op, Mbit/s"));
  for (int kind = 0; kind < 4; ++kind) {
    grid->Add(new wxStaticText(this, wxID_ANY, wxString::FromUTF8(kKindLabels[kind])), 0,
              wxALIGN_CENTER_VERTICAL);
    const CSpeedPair& pair = kept.*kKinds[kind];
    for (int way = 0; way < 2; ++way) {
      m_fields[kind][way] =
          new wxTextCtrl(this, wxID_ANY, SpeedField(way ? pair.upload : pair.download));
      m_fields[kind][way]->SetMinSize(wxSize(FromDIP(80), -1));
      grid->Add(m_fields[kind][way]);
    }
  }
  m_problem = new wxStaticText(this, wxID_ANY, wxString());
  m_problem->SetForegroundColour(*wxRED);
  auto* save = new wxButton(this, wxID_OK, "Gem");
  auto* remove = new wxButton(this, wxID_DELETE, "Fjern abonnement");
  auto* cancel = new wxButton(this, wxID_CANCEL, "Annuller");
  save->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Save(); });
  remove->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Remove(); });
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->Add(remove);
  buttons->AddStretchSpacer();
  buttons->Add(save, 0, wxRIGHT, FromDIP(6));
  buttons->Add(cancel);
  auto* all = new wxBoxSizer(wxVERTICAL);
  const int border = FromDIP(12);
  all->Add(new wxStaticText(this, wxID_ANY,
                            wxString::FromUTF8("Hastighederne fra din kontrakt. Hver måling "
                                               "sammenlignes med dem.")),
           0, wxALL, border);
  all->Add(grid, 0, wxLEFT | wxRIGHT, border);
  all->Add(m_problem, 0, wxEXPAND | wxALL, border);
  all->Add(CampaignBox(), 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, border);
  all->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, border);
  SetSizerAndFit(all);
  save->SetDefault();
}

bool CSubscriptionDlg::ReadFields(CSubscription* subscription) {
  for (int kind = 0; kind < 4; ++kind) {
    const std::string down = m_fields[kind][0]->GetValue().Strip(wxString::both).utf8_string();
    const std::string up = m_fields[kind][1]->GetValue().Strip(wxString::both).utf8_string();
    if (down.empty() && up.empty()) continue;
    if (!ParseSpeedPair(down + "/" + up, &(subscription->*kKinds[kind]))) {
      m_problem->SetLabel(wxString::FromUTF8(std::string(kKindLabels[kind]) +
                                             " skriv hastigheden i Mbit/s begge veje, fx 300."));
      CSpeedPair downAlone;
      m_fields[kind][ParseSpeedPair(down + "/1", &downAlone) ? 1 : 0]->SetFocus();
      return false;
    }
  }
  if (!subscription->IsSet()) {
    m_problem->SetLabel(wxString::FromUTF8("Den maksimale hastighed skal med."));
    return false;
  }
  if (!SubscriptionProblem(*subscription).empty()) {
    m_problem->SetLabel(
        wxString::FromUTF8("Minimum ≤ normalt tilgængelig ≤ maksimal hastighed, begge veje."));
    return false;
  }
  return true;
}

bool CSubscriptionDlg::Keep(const CSubscription& subscription) {
  std::string failure;
  if (!SaveSubscription(subscription, &failure)) {
    m_problem->SetLabel(wxString::FromUTF8("Abonnementet kunne ikke gemmes: " + failure));
    return false;
  }
  if (IsModal()) EndModal(wxID_OK);
  return true;
}

bool CSubscriptionDlg::Save() {
  CSubscription subscription;
  return ReadFields(&subscription) && Keep(subscription);
}

bool CSubscriptionDlg::Remove() {
  return Keep(CSubscription());
}

wxSizer* CSubscriptionDlg::CampaignBox() {
  auto* box = new wxStaticBoxSizer(wxVERTICAL, this, wxString::FromUTF8("Målekampagne"));
  m_campaignText = new wxStaticText(box->GetStaticBox(), wxID_ANY, wxString());
  m_campaignText->Wrap(FromDIP(360));
  box->Add(
      new wxStaticText(box->GetStaticBox(), wxID_ANY,
                       wxString::FromUTF8("30 målinger på 3 dage med den timelige måling, over "
                                          "kabel,\nsom grundlag for en klage.")),
      0, wxALL, FromDIP(6));
  box->Add(m_campaignText, 0, wxEXPAND | wxLEFT | wxRIGHT, FromDIP(6));
  m_campaignButton = new wxButton(box->GetStaticBox(), wxID_ANY, wxString());
  auto* protocol = new wxButton(box->GetStaticBox(), wxID_ANY, "Gem protokol...");
  m_campaignButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ToggleCampaign(); });
  protocol->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnProtocol(); });
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(m_campaignButton, 0, wxRIGHT, FromDIP(6));
  row->Add(protocol);
  box->Add(row, 0, wxALL, FromDIP(6));
  ShowCampaign();
  return box;
}

void CSubscriptionDlg::ShowCampaign() {
  const CCampaign campaign = LoadCampaign();
  CHistory history;
  std::string unread;
  LoadHistory(ResultHistoryPath(), &history, &unread);
  const std::time_t now = std::time(nullptr);
  const CCampaignState state = FollowCampaign(campaign, history, now);
  m_campaignText->SetLabel(wxString::FromUTF8(CampaignProgressText(campaign, state, now)));
  const bool running = campaign.IsSet() && !state.over;
  m_campaignButton->SetLabel(
      wxString::FromUTF8(running ? "Stop målekampagne" : "Start målekampagne"));
  Layout();
  Fit();
}

bool CSubscriptionDlg::ToggleCampaign() {
  CCampaign campaign = LoadCampaign();
  CHistory history;
  std::string unread;
  LoadHistory(ResultHistoryPath(), &history, &unread);
  const std::time_t now = std::time(nullptr);
  if (campaign.IsSet() && !FollowCampaign(campaign, history, now).over) {
    campaign.stopped = now;
  } else {
    CCampaign started;
    if (!ReadFields(&started.subscription)) return false;
    std::string failure;
    if (!SaveSubscription(started.subscription, &failure)) {
      m_problem->SetLabel(wxString::FromUTF8("Abonnementet kunne ikke gemmes: " + failure));
      return false;
    }
    started.started = now;
    campaign = started;
  }
  std::string failure;
  const bool kept = SaveCampaign(campaign, &failure);
  m_problem->SetLabel(kept ? wxString()
                           : wxString::FromUTF8("Kampagnen kunne ikke gemmes: " + failure));
  ShowCampaign();
  return kept;
}

bool CSubscriptionDlg::WriteProtocolTo(const std::string& path) {
  CProtocolFacts facts;
  facts.campaign = LoadCampaign();
  facts.subscription = facts.campaign.IsSet() ? facts.campaign.subscription : LoadSubscription();
  std::string failure;
  LoadHistory(ResultHistoryPath(), &facts.history, &failure);
  facts.now = std::time(nullptr);
  facts.version = LUMVIK_VERSION;
  facts.testPoint = std::string(kTestServer) + ":" + std::to_string(kTestServerPort);
  failure.clear();
  const bool written = WriteProtocol(facts, path, &failure);
  m_problem->SetLabel(written ? wxString()
                              : wxString::FromUTF8("Protokollen kunne ikke gemmes: " + failure));
  return written;
}

void CSubscriptionDlg::OnProtocol() {
  wxFileDialog dialog(this, wxString::FromUTF8("Gem protokol"), wxString(), "maaleprotokol.pdf",
                      "PDF (*.pdf)|*.pdf", wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
  if (dialog.ShowModal() == wxID_OK) WriteProtocolTo(dialog.GetPath().utf8_string());
}
