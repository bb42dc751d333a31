#include "res/dialog_templates.h"

#include "res/resource.h"

namespace {

constexpr ControlTemplate kMainControls[] = {
    {IDC_TEST_BUTTON, ControlKind::kPushButton, "Test din hastighed", 59, 162, 152, 14, true, 0},
    {IDC_INFO_TEXT, ControlKind::kStaticText, "m_infoText Variable", 17, 20, 204, 51, true, 0},
    {IDC_STATIC, ControlKind::kGroupBox, "Test din hastighed", 7, 7, 256, 182, true, 0},
    {IDC_EMBLEM, ControlKind::kIcon, "", 228, 17, 20, 20, true, IDI_EMBLEM},
    {IDC_HELP_LINK, ControlKind::kLinkLabel, "Få hjælp til din hastighed på Lumvik Online", 18, 111,
     132, 8, true, 0},
    {IDC_METHOD_LINK, ControlKind::kLinkLabel, "Sådan måler vi hastigheden", 18, 126, 92, 8, true,
     0},
    {IDC_UPGRADE_LINK, ControlKind::kLinkLabel, "Opgrader din hastighed på lumvik.dk", 18, 140, 110,
     8, true, 0},
    {IDC_STATIC, ControlKind::kStaticText, "Nyttige links", 18, 98, 41, 8, true, 0},
    {IDC_STATIC, ControlKind::kGroupBox, "", 13, 15, 210, 58, true, 0},
    {IDC_PROGRESS, ControlKind::kProgressBar, "Progress1", 13, 79, 210, 8, false, 0},
    {IDC_INFO_SPEED, ControlKind::kRightStaticText, "m_infoSpeed Variable", 226, 70, 25, 16, true,
     0},
};

constexpr ControlTemplate kAboutControls[] = {
    {IDC_STATIC, ControlKind::kStaticText, "Lumvik Hastighedstest Version 2.0", 40, 10, 119, 8,
     true, 0},
    {IDC_STATIC, ControlKind::kStaticText, "Copyright © 2026 Lumvik Online A/S", 40, 25, 119, 8,
     true, 0},
    {IDOK, ControlKind::kDefaultPushButton, "OK", 171, 28, 50, 14, true, 0},
};

}  // namespace

const DialogTemplate kMainDialogTemplate = {IDD_SPEEDTEST_DIALOG,
                                            "Lumvik Hastighedstest",
                                            270,
                                            196,
                                            "Verdana",
                                            8,
                                            kMainControls,
                                            sizeof kMainControls / sizeof kMainControls[0]};

const DialogTemplate kAboutDialogTemplate = {IDD_ABOUTBOX,
                                             "Om Lumvik Hastighedstest",
                                             235,
                                             55,
                                             "MS Sans Serif",
                                             8,
                                             kAboutControls,
                                             sizeof kAboutControls / sizeof kAboutControls[0]};
