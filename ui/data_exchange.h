// Data exchange between a dialog's controls and its members, and thin wrappers that drive
// controls in the framework's terms. A control is touched only when its text, state or
// position really changes, so the per-chunk readout stays cheap.
#pragma once

#include <wx/icon.h>
#include <wx/window.h>

#include <string>

#ifndef SW_HIDE  // Windows has them, with the same values
constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;
#endif

struct CDataExchange {
  bool m_bSaveAndValidate;  // true: controls into members; false: members into controls
  wxWindow* m_pDlgWnd;
};

// A control of the dialog, reached through its id once bound.
class CWndWrapper {
 public:
  void Attach(wxWindow* window) { m_pWnd = window; }
  wxWindow* GetSafeHwnd() const { return m_pWnd; }
  void ShowWindow(int command);

 protected:
  wxWindow* m_pWnd = nullptr;
};

class CButton : public CWndWrapper {
 public:
  void SetWindowText(const std::string& text);
  void EnableWindow(bool enable);
  bool IsWindowEnabled() const;
};

class CProgressCtrl : public CWndWrapper {
 public:
  void SetRange(int lower, int upper);
  // Positions beyond the range show as its nearest end, as a native progress bar does.
  void SetPos(int position);
  int GetPos() const { return m_position; }

 private:
  int m_lower = 0;
  int m_upper = 100;
  int m_position = 0;
};

class CStaticIcon : public CWndWrapper {
 public:
  void SetIcon(const wxIcon& icon);
};

// Binds `wrapper` to control `id` of the dialog; later calls keep the first binding.
void DDX_Control(CDataExchange* pDX, int id, CWndWrapper& wrapper);
// Binds `control` to control `id` of the dialog when it is of type T.
template <typename T>
void DDX_Control(CDataExchange* pDX, int id, T*& control) {
  if (!control) control = dynamic_cast<T*>(pDX->m_pDlgWnd->FindWindow(id));
}
// Exchanges the text of control `id` with `value` (UTF-8).
void DDX_Text(CDataExchange* pDX, int id, std::string& value);
