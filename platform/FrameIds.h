#pragma once
// The resource ids the application frame reserves for itself. The back ends look these up; the
// program's resources fill them (res/Resource.h names them in the program's own words). Plain
// #defines, as the Windows resource compiler reads this header too.

#define AFX_IDS_APP_TITLE 1     // the program's display name: the caption of its message boxes
#define AFX_IDR_MAINFRAME 128   // the main icon: the dialogs' icon on the title bar and the task bar
#define AFX_IDC_BLANK 129       // the fully transparent cursor of windows that hide the mouse
