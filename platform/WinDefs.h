#pragma once
// The Win32 constants the program uses, with Win32's own values, so that the Windows back end hands
// them to the system unchanged. Each is guarded because <windows.h> defines the same names with the
// same values; the Windows back end includes <windows.h> first and checks the values at compile time.

// Window styles
#ifndef WS_CHILD
#define WS_CHILD 0x40000000u
#endif
#ifndef WS_VISIBLE
#define WS_VISIBLE 0x10000000u
#endif
#ifndef WS_POPUP
#define WS_POPUP 0x80000000u
#endif
#ifndef WS_TABSTOP
#define WS_TABSTOP 0x00010000u
#endif
#ifndef WS_CAPTION
#define WS_CAPTION 0x00C00000u
#endif
#ifndef WS_BORDER
#define WS_BORDER 0x00800000u
#endif
#ifndef WS_SYSMENU
#define WS_SYSMENU 0x00080000u
#endif
#ifndef WS_GROUP
#define WS_GROUP 0x00020000u
#endif
#ifndef WS_DISABLED
#define WS_DISABLED 0x08000000u
#endif
#ifndef WS_EX_TOPMOST
#define WS_EX_TOPMOST 0x00000008u
#endif
#ifndef WS_EX_RIGHT
#define WS_EX_RIGHT 0x00001000u
#endif
#ifndef WS_EX_NOACTIVATE
#define WS_EX_NOACTIVATE 0x08000000u
#endif

// Dialog and control styles
#ifndef DS_SETFONT
#define DS_SETFONT 0x40u
#endif
#ifndef DS_MODALFRAME
#define DS_MODALFRAME 0x80u
#endif
#ifndef SS_LEFT
#define SS_LEFT 0x0u
#endif
#ifndef SS_CENTER
#define SS_CENTER 0x1u
#endif
#ifndef ES_AUTOHSCROLL
#define ES_AUTOHSCROLL 0x80u
#endif
#ifndef BS_PUSHBUTTON
#define BS_PUSHBUTTON 0x0u
#endif
#ifndef BS_DEFPUSHBUTTON
#define BS_DEFPUSHBUTTON 0x1u
#endif
#ifndef UDS_ARROWKEYS
#define UDS_ARROWKEYS 0x20u
#endif

// Window-class styles
#ifndef CS_VREDRAW
#define CS_VREDRAW 0x0001u
#endif
#ifndef CS_HREDRAW
#define CS_HREDRAW 0x0002u
#endif

// Messages the program posts or sends itself
#ifndef WM_CLOSE
#define WM_CLOSE 0x0010u
#endif
#ifndef WM_ICONERASEBKGND
#define WM_ICONERASEBKGND 0x0027u
#endif

// System commands, activation states
#ifndef SC_CLOSE
#define SC_CLOSE 0xF060u
#endif
#ifndef SC_SCREENSAVE
#define SC_SCREENSAVE 0xF140u
#endif
#ifndef WA_INACTIVE
#define WA_INACTIVE 0u
#endif

// System metrics
#ifndef SM_CXSCREEN
#define SM_CXSCREEN 0
#endif
#ifndef SM_CYSCREEN
#define SM_CYSCREEN 1
#endif
#ifndef SM_CXICON
#define SM_CXICON 11
#endif
#ifndef SM_CYICON
#define SM_CYICON 12
#endif

// Dialog results, message boxes, menus
#ifndef IDOK
#define IDOK 1
#endif
#ifndef IDCANCEL
#define IDCANCEL 2
#endif
#ifndef MB_OK
#define MB_OK 0x00000000u
#endif
#ifndef MB_ICONEXCLAMATION
#define MB_ICONEXCLAMATION 0x00000030u
#endif
#ifndef MF_STRING
#define MF_STRING 0x00000000u
#endif
#ifndef MF_SEPARATOR
#define MF_SEPARATOR 0x00000800u
#endif

// Control notifications
#ifndef BN_CLICKED
#define BN_CLICKED 0u
#endif
#ifndef EN_KILLFOCUS
#define EN_KILLFOCUS 0x0200u
#endif
#ifndef UDN_DELTAPOS
#define UDN_DELTAPOS (0u - 722u)
#endif
