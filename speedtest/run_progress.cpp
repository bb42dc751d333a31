// The run as its transfers' progress sink: what they report reaches the listener, and the
// clean-up's waits end at its deadline whatever the listener says.
#include "ftp/network_path.h"
#include "kernel/clock.h"
#include "speedtest/run.h"
#include "speedtest/run_record.h"

bool CTestRun::ReportProgress(DWORD bytes, double seconds) {
  m_lastBytes = bytes;
  m_lastSeconds = seconds;
  return m_pListener->ReportProgress(bytes, seconds);
}

void CTestRun::PumpMessages() {
  m_pListener->PumpMessages();
}

bool CTestRun::ReportWaiting() {
  if (m_cleanupUntilMs != 0) {
    m_pListener->ReportWaiting();
    return m_env.clock.NowMs() >= m_cleanupUntilMs;
  }
  return m_pListener->ReportWaiting();
}

void CTestRun::NoteTransfer(const std::string& note) {
  if (m_pRecord) m_pRecord->Note(note);
}
