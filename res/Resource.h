// Resource identifiers, shared by the program and res/kelvane.rc.
#pragma once

#define IDS_APPNAME 1        // the saver's display name
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_SETTINGS 102
#define IDR_MAINFRAME 128    // icon group
#define IDC_BLANK 129        // the fully transparent cursor over snow
#define IDM_ABOUTBOX 0x0010  // system-menu command
