#include "ui/data_exchange.h"

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/statbmp.h>

#include <algorithm>

void CWndWrapper::ShowWindow(int command) {
  if (m_pWnd) m_pWnd->Show(command != SW_HIDE);
}

void CButton::SetWindowText(const std::string& text) {
  const wxString label = wxString::FromUTF8(text);
  if (m_pWnd && m_pWnd->GetLabel() != label) m_pWnd->SetLabel(label);
}

void CButton::EnableWindow(bool enable) {
  if (m_pWnd && m_pWnd->IsThisEnabled() != enable) m_pWnd->Enable(enable);
}

bool CButton::IsWindowEnabled() const {
  return m_pWnd && m_pWnd->IsThisEnabled();
}

void CProgressCtrl::SetRange(int lower, int upper) {
  m_lower = lower;
  m_upper = std::max(upper, lower + 1);
  if (auto* gauge = wxDynamicCast(m_pWnd, wxGauge)) gauge->SetRange(m_upper - m_lower);
}

void CProgressCtrl::SetPos(int position) {
  const int shown = std::clamp(position, m_lower, m_upper);
  if (shown == m_position) return;
  m_position = shown;
  if (auto* gauge = wxDynamicCast(m_pWnd, wxGauge)) gauge->SetValue(shown - m_lower);
}

void CStaticIcon::SetIcon(const wxIcon& icon) {
  if (auto* control = wxDynamicCast(m_pWnd, wxStaticBitmap)) control->SetIcon(icon);
}

void DDX_Control(CDataExchange* pDX, int id, CWndWrapper& wrapper) {
  if (!wrapper.GetSafeHwnd()) wrapper.Attach(pDX->m_pDlgWnd->FindWindow(id));
}

void DDX_Text(CDataExchange* pDX, int id, std::string& value) {
  wxWindow* control = pDX->m_pDlgWnd->FindWindow(id);
  if (!control) return;
  if (pDX->m_bSaveAndValidate) {
    value = control->GetLabel().utf8_string();
    return;
  }
  const wxString text = wxString::FromUTF8(value);
  if (control->GetLabel() != text) control->SetLabel(text);
}
