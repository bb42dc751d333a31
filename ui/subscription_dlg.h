// The customer's subscription, entered: the contract's four speeds each way in Mbit/s, the
// maximum required, the others optional. Opened from the history window.
#pragma once

#include <wx/dialog.h>

#include "speedtest/subscription.h"

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

  // A field, for a test: the maximum, normally available, minimum or advertised (0 to 3),
  // each way.
  wxTextCtrl* Field(int kind, bool upload) const { return m_fields[kind][upload ? 1 : 0]; }
  wxStaticText* Problem() const { return m_problem; }

 private:
  // What the fields say; false, with the reason shown, where they do not make one.
  bool ReadFields(CSubscription* subscription);
  // Ends the dialog having kept `subscription`; false, with the reason shown, where it
  // could not be kept.
  bool Keep(const CSubscription& subscription);

  wxTextCtrl* m_fields[4][2] = {};
  wxStaticText* m_problem = nullptr;
};
