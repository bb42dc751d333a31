// The About box: its texts, and the keys that end it.
#include "ui/about_dlg.h"

#include <gtest/gtest.h>
#include <wx/button.h>

namespace {

TEST(AboutBoxTest, NamesProductVersionAndEndsOnOkOrEscape) {
  for (int key : {WXK_RETURN, WXK_ESCAPE}) {
    CAboutDlg about;
    EXPECT_EQ(about.GetTitle(), "Om Lumvik Hastighedstest");
    bool sawVersion = false;
    for (wxWindow* child : about.GetChildren()) {
      sawVersion |= child->GetLabel() == "Lumvik Hastighedstest Version 2.0";
    }
    EXPECT_TRUE(sawVersion);
    about.CallAfter([&about, key] {
      if (key == WXK_RETURN) {
        wxCommandEvent ok(wxEVT_BUTTON, wxID_OK);
        ok.SetEventObject(about.FindWindow(wxID_OK));
        about.FindWindow(wxID_OK)->GetEventHandler()->ProcessEvent(ok);
      } else {
        wxKeyEvent escape(wxEVT_CHAR_HOOK);
        escape.m_keyCode = WXK_ESCAPE;
        escape.SetEventObject(&about);
        about.GetEventHandler()->ProcessEvent(escape);
      }
    });
    const int result = about.DoModal();
    EXPECT_TRUE(result == wxID_OK || result == wxID_CANCEL) << result;
  }
}

}  // namespace
