// The live readout of the transfer under way: the dialog's side of each progress report.
#include "speedtest/line_meter.h"
#include "speedtest/speed_readout.h"
#include "ui/speed_test_dlg.h"
#include "ui/windowing.h"

bool CSpeedTestDlg::ReportProgress(DWORD bytes, double seconds) {
  UpdateData(true);
  m_elapsedSeconds = seconds;
  m_infoSpeed = SpeedReadoutText(bytes, seconds);
  // The whole line moves no file of a known size: there the bar follows the time.
  m_progress.SetPos(static_cast<int>(m_expectedBytes > 0
                                         ? ProgressPosition(bytes, m_expectedBytes)
                                         : TimePosition(seconds, CLineRules().maxSeconds)));
  UpdateData(false);
  return m_abort;
}

void CSpeedTestDlg::PumpMessages() {
  PumpWindowMessages();
}
