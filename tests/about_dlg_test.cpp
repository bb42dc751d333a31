// The About box: its texts, and the keys that end it.
#include "ui/about_dlg.h"

#include <gtest/gtest.h>
#include <wx/button.h>

namespace {

TEST(AboutBoxTest, NamesProductVersionAndEndsOnOkOrEscape) {
  // OK ends it as OK, Escape as a cancel, as with any dialog.
  for (const auto& [key, expected] : {std::pair{WXK_RETURN, wxID_OK}, {WXK_ESCAPE, wxID_CANCEL}}) {
    CAboutDlg about;
    EXPECT_EQ(about.GetTitle(), "Om Lumvik Hastighedstest");
    bool sawVersion = false;
    for (wxWindow* child : about.GetChildren()) {
      sawVersion |= child->GetLabel() == "Lumvik Hastighedstest Version 2.0";
    }
    EXPECT_TRUE(sawVersion);
    about.CallAfter([&about, key = key] {
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
    EXPECT_EQ(about.DoModal(), expected) << key;
  }
}

}  // namespace
