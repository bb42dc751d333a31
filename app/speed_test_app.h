// The application object: prepares the process and runs the main dialog once.
#pragma once

#include <wx/app.h>

#include <string>

class CSpeedTestApp : public wxApp {
 public:
  // Everything the program does, from the start-up checks to the end of the dialog.
  // Returns false: no main loop follows.
  bool InitInstance();

  CSpeedTestApp();

  bool OnInit() override { return true; }
  // Runs InitInstance instead of a main loop; the process then ends with this status.
  int OnRun() override;

  std::string m_strBrowserPath;

 private:
  int m_exitStatus = 0;
};

wxDECLARE_APP(CSpeedTestApp);

// The one application object.
#define theApp wxGetApp()
