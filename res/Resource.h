// Resource identifiers, shared by the program and its Windows resource script.
#pragma once

#include "platform/FrameIds.h"

#define IDS_APPNAME AFX_IDS_APP_TITLE   // the saver's display name
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_SETTINGS 102
#define IDR_MAINFRAME AFX_IDR_MAINFRAME   // icon group
#define IDC_BLANK AFX_IDC_BLANK           // the fully transparent cursor over snow
#define IDM_ABOUTBOX 0x0010               // system-menu command

// Controls of the settings dialog. Each edit has a pair of arrows beside it.
#define IDC_STATIC (-1)
#define IDC_APPLY 3
#define IDC_DEFAULT 4
#define IDC_PREVIEW 1006
#define IDC_PERIOD 1008
#define IDC_PERIOD_SPIN 1009
#define IDC_COUNT 1010
#define IDC_COUNT_SPIN 1011
#define IDC_DELTATIME 1012
#define IDC_DELTATIME_SPIN 1013
#define IDC_GRAVITATION 1014
#define IDC_GRAVITATION_SPIN 1015
#define IDC_RESISTANCE 1016
#define IDC_RESISTANCE_SPIN 1017
#define IDC_FLUTTER 1018
#define IDC_FLUTTER_SPIN 1019
#define IDC_PIXELRATIO 1020
#define IDC_PIXELRATIO_SPIN 1021
