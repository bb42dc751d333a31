#include "ui/speed_test_dlg.h"

#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/menu.h>
#include <wx/settings.h>

#include "kernel/directories.h"
#include "res/resource.h"
#include "res/strings.h"
#include "ui/about_dlg.h"
#include "ui/history_dlg.h"
#include "ui/icons.h"
#include "ui/minimised_icon.h"
#include "ui/system_menu.h"

// clang-format off
wxBEGIN_EVENT_TABLE(CSpeedTestDlg, CDialog)
  EVT_MENU_RANGE(IDM_ABOUTBOX, IDM_ABOUTBOX + 15, CSpeedTestDlg::OnMenuCommand)
  EVT_MENU(IDM_HISTORY, CSpeedTestDlg::OnMenuCommand)
  EVT_PAINT(CSpeedTestDlg::OnPaint)
  EVT_BUTTON(IDC_TEST_BUTTON, CSpeedTestDlg::OnTestButtonClicked)
  EVT_CLOSE(CSpeedTestDlg::OnCloseWindow)
#ifndef __WXMSW__  // the window manager's system menu has no room for it elsewhere
  EVT_CONTEXT_MENU(CSpeedTestDlg::OnContextMenu)
#endif
  EVT_CHAR_HOOK(CSpeedTestDlg::OnCharHook)
wxEND_EVENT_TABLE()
    // clang-format on

    namespace {
  constexpr int kEmblemPixels = 50;
  constexpr int kLargeIconPixels = 32;

}  // namespace

CSpeedTestDlg::CSpeedTestDlg(wxWindow* parent)
    : CDialog(kMainDialogTemplate, parent),
      m_infoText("\n\nKlik på knappen Test din hastighed for at begynde testen."),
      m_infoSpeed() {
  m_appIcons = LoadIconBundle(IDR_MAINFRAME);
  m_appIcon = m_appIcons.GetIcon(kLargeIconPixels);
  m_abort = false;
}

CSpeedTestDlg::~CSpeedTestDlg() = default;

void CSpeedTestDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_PROGRESS, m_progress);
  DDX_Control(pDX, IDC_EMBLEM, m_emblem);
  DDX_Control(pDX, IDC_TEST_BUTTON, m_testButton);
  DDX_Text(pDX, IDC_INFO_TEXT, m_infoText);
  DDX_Control(pDX, IDC_HELP_LINK, m_helpLink);
  DDX_Control(pDX, IDC_METHOD_LINK, m_methodLink);
  DDX_Control(pDX, IDC_UPGRADE_LINK, m_upgradeLink);
  DDX_Text(pDX, IDC_INFO_SPEED, m_infoSpeed);
}

bool CSpeedTestDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  AppendToSystemMenu(this, SystemMenu());
  SetIcons(m_appIcons);
  // Pixels of this window's display: 75 at 150%, from the image drawn for that size.
  m_emblemIcon = LoadIconImage(IDI_EMBLEM, FromDIP(kEmblemPixels));
  m_emblem.SetIcon(m_emblemIcon);
  m_windowsDir = PrivateCacheDirectory();
  if (wxWindow* button = m_testButton.GetSafeHwnd()) button->SetFocus();
  return true;
}

void CSpeedTestDlg::OnSysCommand(UINT nID, long) {
  if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg dlgAbout;
    dlgAbout.DoModal();
  } else if ((nID & 0xFFF0) == IDM_HISTORY) {
    ShowHistory();
  }
}

SystemMenuItems CSpeedTestDlg::SystemMenu() {
  return {{IDM_ABOUTBOX, LoadResourceString(IDS_ABOUTBOX)},
          {IDM_HISTORY, LoadResourceString(IDS_HISTORY)}};
}

CHistoryDlg* CSpeedTestDlg::ShowHistory() {
  if (!m_pHistory) {
    m_pHistory = new CHistoryDlg(this, ResultHistoryPath(), LUMVIK_VERSION);
  } else {
    m_pHistory->Reload(true);
  }
  m_pHistory->Show();
  m_pHistory->Raise();
  return m_pHistory;
}

#ifdef __WXMSW__
WXLRESULT CSpeedTestDlg::MSWWindowProc(WXUINT message, WXWPARAM wParam, WXLPARAM lParam) {
  constexpr WXUINT kSysCommand = 0x0112;  // WM_SYSCOMMAND
  if (message == kSysCommand &&
      ((wParam & 0xFFF0) == IDM_ABOUTBOX || (wParam & 0xFFF0) == IDM_HISTORY)) {
    OnSysCommand(static_cast<UINT>(wParam), static_cast<long>(lParam));
    return 0;
  }
  return CDialog::MSWWindowProc(message, wParam, lParam);
}
#endif

void CSpeedTestDlg::OnPaint(wxPaintEvent& event) {
  if (!IsIconized()) {
    event.Skip();
    return;
  }
  wxPaintDC dc(this);
  const wxSize client = GetClientSize();
  const IconOrigin origin =
      MinimisedIconOrigin(client.x, client.y, wxSystemSettings::GetMetric(wxSYS_ICON_X, this),
                          wxSystemSettings::GetMetric(wxSYS_ICON_Y, this));
  dc.DrawIcon(m_appIcon, origin.x, origin.y);
}

void CSpeedTestDlg::OnTestButtonClicked(wxCommandEvent&) {
  OnTestButton();
}

void CSpeedTestDlg::OnCloseWindow(wxCloseEvent&) {
  OnClose();
}

void CSpeedTestDlg::OnContextMenu(wxContextMenuEvent&) {
  wxMenu menu;
  menu.AppendSeparator();
  for (const auto& [command, text] : SystemMenu()) {
    if (!text.empty()) menu.Append(command, wxString::FromUTF8(text));
  }
  PopupMenu(&menu);
}

void CSpeedTestDlg::OnMenuCommand(wxCommandEvent& event) {
  OnSysCommand(static_cast<UINT>(event.GetId()), 0);
}

void CSpeedTestDlg::OnCharHook(wxKeyEvent& event) {
  const bool testRunning = !m_testButton.IsWindowEnabled();
  switch (event.GetKeyCode()) {
    case WXK_ESCAPE:
      // Escape ends the dialog as Cancel does, but never in the middle of a test.
      if (!testRunning && IsModal()) EndModal(wxID_CANCEL);
      return;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
      if (testRunning) return;
      break;
  }
  event.Skip();
}
