// Resource identifiers, shared by the program and its Windows resource script.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_SPEEDTEST_DIALOG 102
#define IDP_SOCKETS_INIT_FAILED 103
#define IDS_HISTORY 104
#define IDR_MAINFRAME 150
#define IDI_EMBLEM 171

#define IDM_ABOUTBOX 0x0010
#define IDM_HISTORY 0x0020

#define IDC_TEST_BUTTON 1000
#define IDC_INFO_TEXT 1005
#define IDC_INFO_SPEED 1006
#define IDC_PROGRESS 1012
#define IDC_HELP_LINK 1028
#define IDC_METHOD_LINK 1031
#define IDC_UPGRADE_LINK 1032
#define IDC_EMBLEM 1037

#define IDC_STATIC (-1)
#define IDOK 1
