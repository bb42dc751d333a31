// The program's one window: status and result text, live speed readout, progress bar,
// logo, link labels and the button that starts a test.
#pragma once

#include <wx/bitmap.h>
#include <wx/icon.h>
#include <wx/iconbndl.h>

#include <string>

#include "kernel/types.h"
#include "speedtest/run.h"
#include "ui/dialog.h"
#include "ui/link_static.h"
#include "ui/system_menu.h"

class CHistoryDlg;

class CSpeedTestDlg : public CDialog, public CTestRunListener {
 public:
  explicit CSpeedTestDlg(wxWindow* parent = nullptr);
  ~CSpeedTestDlg() override;

  // Shows the rate and position of the transfer under way, keeps its seconds in
  // m_elapsedSeconds and returns m_abort.
  bool ReportProgress(DWORD bytes, double seconds) override;
  // Between chunks and wait slices: the window's pending events run.
  void PumpMessages() override;
  // A wait's slice: pumps, and returns m_abort.
  bool ReportWaiting() override;
  // The run's stages become the dialog's texts.
  void OnStage(RunStage stage, const char* file, DWORD expectedBytes, int attempt) override;

  // A click on the test button: runs a whole test unless one is running.
  void OnTestButton();
  // One whole test, from log-in to the result or failure text; no error leaves it.
  void RunTest();
  // The failure text, then the Ready look.
  void ShowFailure();
  // Back to the Ready look. The run has deleted its test files while it held the line, so
  // that no other run's files go with them.
  void FinishTest();
  // A close request: stops a running test at its next report and ends the dialog.
  void OnClose();
  // The session ends, and the process with it: a running test is recorded and cleaned up
  // at once, then the dialog ends as by a close.
  void OnEndSession();
  // A system command; 16 to 31 open the About box, 32 to 47 the history window.
  void OnSysCommand(UINT nID, long lParam);
  // Opens the history window, or brings it to the front with what it shows read anew.
  CHistoryDlg* ShowHistory();
  // Draws the icon when minimised.
  void OnPaint(wxPaintEvent& event);
  const wxIcon& OnQueryDragIcon() const { return m_appIcon; }
#ifdef __WXMSW__
  // WM_SYSCOMMAND 16 to 31 from the system menu reach OnSysCommand.
  WXLRESULT MSWWindowProc(WXUINT message, WXWPARAM wParam, WXLPARAM lParam) override;
#endif

  // When a run measures the whole line; beyond the tiers unless a test says otherwise.
  WholeLine m_wholeLine = WholeLine::kBeyondTiers;
  // The clocks, sockets and files a run is handed: the system's unless a test says otherwise.
  const CEnvironment* m_pEnvironment = &SystemEnvironment();
  // The test state that the run, the readout and the dialog share.
  DWORD m_expectedBytes = 0;
  double m_elapsedSeconds = 0.0;
  bool m_abort;
  // The folder of the local test files: the user's private cache folder on either platform,
  // whatever the name suggests; empty when there is none.
  std::string m_windowsDir;
  CProgressCtrl m_progress;
  CStaticIcon m_emblem;
  CButton m_testButton;
  std::string m_infoText;
  CLinkStatic* m_helpLink = nullptr;
  CLinkStatic* m_methodLink = nullptr;
  CLinkStatic* m_upgradeLink = nullptr;
  std::string m_infoSpeed;
  wxIcon m_appIcon;
  wxIcon m_emblemIcon;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  bool OnInitDialog() override;

 private:
  // The show bracket: controls into members, `change`, members back into the controls.
  template <typename Change>
  void ShowData(Change change) {
    UpdateData(true);
    change();
    UpdateData(false);
  }

  void OnTestButtonClicked(wxCommandEvent& event);
  void OnCloseWindow(wxCloseEvent& event);
  void OnContextMenu(wxContextMenuEvent& event);
  void OnMenuCommand(wxCommandEvent& event);
  void OnCharHook(wxKeyEvent& event);

  // The items of the system menu, or on GTK of the context menu.
  static SystemMenuItems SystemMenu();

  wxIconBundle m_appIcons;
  CTestRun* m_pRun = nullptr;         // the test under way
  CHistoryDlg* m_pHistory = nullptr;  // once opened, kept (hidden when closed) with the dialog

  wxDECLARE_EVENT_TABLE();
};
