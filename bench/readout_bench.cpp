// Per-chunk cost of the live readout: ReportProgress plus PumpMessages on the shown main
// dialog, through its sink as a transfer calls them after every 4096-byte chunk. Needs a display.
#include <wx/app.h>
#include <wx/init.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "ui/speed_test_dlg.h"

int main(int argc, char** argv) {
  // A window program's application object, as the program has: the dialog asks it for its
  // top window.
  wxApp::SetInstance(new wxApp);
  if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) return 1;
  std::vector<double> microseconds;
  {
    // Measured where a transfer runs: inside a handler, in the dialog's modal loop.
    CSpeedTestDlg dlg;
    dlg.CallAfter([&] {
      constexpr int kTransfers = 40;
      constexpr DWORD kBytes = 2097152;
      dlg.m_expectedBytes = kBytes;
      // Through the sink, as the transfer loop calls it.
      CProgressSink& sink = dlg;
      for (int transfer = 0; transfer < kTransfers; ++transfer) {
        // A 2 MB file at about 1 Gbit/s: a chunk every 33 microseconds.
        for (DWORD bytes = 4096; bytes <= kBytes; bytes += 4096) {
          const double seconds = bytes / 125000000.0 + 0.000033;
          const auto start = std::chrono::steady_clock::now();
          if (!sink.ReportProgress(bytes, seconds)) sink.PumpMessages();
          const auto end = std::chrono::steady_clock::now();
          microseconds.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        }
      }
      dlg.EndModal(wxID_OK);
    });
    dlg.ShowModal();
  }
  std::sort(microseconds.begin(), microseconds.end());
  const auto at = [&](double share) {
    return microseconds[static_cast<std::size_t>(share * (microseconds.size() - 1))];
  };
  std::printf("chunks: %zu\nmedian: %.2f us\np99:    %.2f us\nmax:    %.2f us\n",
              microseconds.size(), at(0.5), at(0.99), microseconds.back());
  wxEntryCleanup();
  return 0;
}
