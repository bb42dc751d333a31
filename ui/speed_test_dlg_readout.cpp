// The live readout of the transfer under way: the dialog's side of each progress report.
#include "speedtest/speed_readout.h"
#include "ui/speed_test_dlg.h"
#include "ui/windowing.h"

bool CSpeedTestDlg::ReportProgress(DWORD bytes, double seconds) {
  UpdateData(true);
  m_elapsedSeconds = seconds;
  m_infoSpeed = SpeedReadoutText(bytes, seconds);
  m_progress.SetPos(static_cast<int>(ProgressPosition(bytes, m_expectedBytes)));
  UpdateData(false);
  return m_abort;
}

void CSpeedTestDlg::PumpMessages() {
  PumpWindowMessages();
}
