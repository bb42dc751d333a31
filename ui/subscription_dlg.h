// The customer's subscription, entered: the contract's four speeds each way in Mbit/s, the
// maximum required, the others optional; and the measurement campaign that judges the line
// by it, started, stopped and written as a protocol. Opened from the history window.
#pragma once

#include <wx/dialog.h>

#include <string>

#include "speedtest/subscription.h"

class wxButton;
class wxStaticText;
class wxTextCtrl;

class CSubscriptionDlg : public wxDialog {
 public:
  // The fields as the kept subscription has them.
  explicit CSubscriptionDlg(wxWindow* parent);

  // Keeps the speeds typed in and ends the dialog; false, the reason shown and the file
  // untouched, where one is not a speed or they cannot stand together.
  bool Save();
  // Removes the subscription and ends the dialog.
  bool Remove();
  // Starts a campaign with the speeds typed in (kept first), or stops the one under way;
  // false, with the reason shown, where it could not.
  bool ToggleCampaign();
  // Writes the campaign's protocol (or the latest runs' where there is none) to `path`;
  // false, with the reason shown, where it could not be written.
  bool WriteProtocolTo(const std::string& path);

  // A field, for a test: the maximum, normally available, minimum or advertised (0 to 3),
  // each way.
  wxTextCtrl* Field(int kind, bool upload) const { return m_fields[kind][upload ? 1 : 0]; }
  wxStaticText* Problem() const { return m_problem; }
  wxStaticText* CampaignText() const { return m_campaignText; }

 private:
  // What the fields say; false, with the reason shown, where they do not make one.
  bool ReadFields(CSubscription* subscription);
  // Ends the dialog having kept `subscription`; false, with the reason shown, where it
  // could not be kept.
  bool Keep(const CSubscription& subscription);
  // The campaign's box: its progress and the button that starts or stops it.
  wxSizer* CampaignBox();
  void ShowCampaign();
  void OnProtocol();

  wxTextCtrl* m_fields[4][2] = {};
  wxStaticText* m_problem = nullptr;
  wxStaticText* m_campaignText = nullptr;
  wxButton* m_campaignButton = nullptr;
};
