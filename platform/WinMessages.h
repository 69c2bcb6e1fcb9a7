#pragma once
// The window messages back ends deliver and the program posts, with their Win32 values. Guarded,
// as <windows.h> defines the same names with the same values.

#ifndef WM_CREATE
#define WM_CREATE 0x0001u
#endif
#ifndef WM_DESTROY
#define WM_DESTROY 0x0002u
#endif
#ifndef WM_ACTIVATE
#define WM_ACTIVATE 0x0006u
#endif
#ifndef WM_PAINT
#define WM_PAINT 0x000Fu
#endif
#ifndef WM_ACTIVATEAPP
#define WM_ACTIVATEAPP 0x001Cu
#endif
#ifndef WM_SETCURSOR
#define WM_SETCURSOR 0x0020u
#endif
#ifndef WM_QUERYDRAGICON
#define WM_QUERYDRAGICON 0x0037u
#endif
#ifndef WM_DISPLAYCHANGE
#define WM_DISPLAYCHANGE 0x007Eu
#endif
#ifndef WM_NCACTIVATE
#define WM_NCACTIVATE 0x0086u
#endif
#ifndef WM_KEYDOWN
#define WM_KEYDOWN 0x0100u
#endif
#ifndef WM_KEYUP
#define WM_KEYUP 0x0101u
#endif
#ifndef WM_SYSKEYDOWN
#define WM_SYSKEYDOWN 0x0104u
#endif
#ifndef WM_NOTIFY
#define WM_NOTIFY 0x004Eu
#endif
#ifndef WM_INITDIALOG
#define WM_INITDIALOG 0x0110u
#endif
#ifndef WM_COMMAND
#define WM_COMMAND 0x0111u
#endif
#ifndef WM_SYSCOMMAND
#define WM_SYSCOMMAND 0x0112u
#endif
#ifndef WM_TIMER
#define WM_TIMER 0x0113u
#endif
#ifndef WM_MOUSEMOVE
#define WM_MOUSEMOVE 0x0200u
#endif
#ifndef WM_LBUTTONDOWN
#define WM_LBUTTONDOWN 0x0201u
#endif
#ifndef WM_LBUTTONUP
#define WM_LBUTTONUP 0x0202u
#endif
#ifndef WM_RBUTTONDOWN
#define WM_RBUTTONDOWN 0x0204u
#endif
#ifndef WM_MBUTTONDOWN
#define WM_MBUTTONDOWN 0x0207u
#endif

// Not a Win32 message, in the range the framework keeps for its own: the display was powered down
// (wParam 0) or came back (wParam 1). Each back end makes it of its system's news: Win32's
// WM_POWERBROADCAST for GUID_CONSOLE_DISPLAY_STATE, X11's DPMS power level.
#ifndef WM_DISPLAYPOWER
#define WM_DISPLAYPOWER 0x037Eu
#endif
