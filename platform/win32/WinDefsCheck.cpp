// The contract's Win32 constants must be the system's own: the back end hands them over unchanged.
// Their contract values are captured before <windows.h> is seen, then compared with its values.

#include "platform/WinDefs.h"
#include "platform/WinMessages.h"

namespace Contract
{
constexpr auto k_WS_CHILD = WS_CHILD;
constexpr auto k_WS_VISIBLE = WS_VISIBLE;
constexpr auto k_WS_POPUP = WS_POPUP;
constexpr auto k_WS_TABSTOP = WS_TABSTOP;
constexpr auto k_WS_EX_TOPMOST = WS_EX_TOPMOST;
constexpr auto k_CS_VREDRAW = CS_VREDRAW;
constexpr auto k_CS_HREDRAW = CS_HREDRAW;
constexpr auto k_WM_CLOSE = WM_CLOSE;
constexpr auto k_WM_ICONERASEBKGND = WM_ICONERASEBKGND;
constexpr auto k_SC_CLOSE = SC_CLOSE;
constexpr auto k_SC_SCREENSAVE = SC_SCREENSAVE;
constexpr auto k_WA_INACTIVE = WA_INACTIVE;
constexpr auto k_SM_CXSCREEN = SM_CXSCREEN;
constexpr auto k_SM_CYSCREEN = SM_CYSCREEN;
constexpr auto k_SM_CXICON = SM_CXICON;
constexpr auto k_SM_CYICON = SM_CYICON;
constexpr auto k_IDOK = IDOK;
constexpr auto k_IDCANCEL = IDCANCEL;
constexpr auto k_MB_OK = MB_OK;
constexpr auto k_MB_ICONEXCLAMATION = MB_ICONEXCLAMATION;
constexpr auto k_MF_STRING = MF_STRING;
constexpr auto k_MF_SEPARATOR = MF_SEPARATOR;
constexpr auto k_BN_CLICKED = BN_CLICKED;
constexpr auto k_EN_KILLFOCUS = EN_KILLFOCUS;
constexpr auto k_UDN_DELTAPOS = UDN_DELTAPOS;
constexpr auto k_WM_CREATE = WM_CREATE;
constexpr auto k_WM_DESTROY = WM_DESTROY;
constexpr auto k_WM_ACTIVATE = WM_ACTIVATE;
constexpr auto k_WM_PAINT = WM_PAINT;
constexpr auto k_WM_ACTIVATEAPP = WM_ACTIVATEAPP;
constexpr auto k_WM_SETCURSOR = WM_SETCURSOR;
constexpr auto k_WM_NCACTIVATE = WM_NCACTIVATE;
constexpr auto k_WM_KEYDOWN = WM_KEYDOWN;
constexpr auto k_WM_KEYUP = WM_KEYUP;
constexpr auto k_WM_SYSKEYDOWN = WM_SYSKEYDOWN;
constexpr auto k_WM_NOTIFY = WM_NOTIFY;
constexpr auto k_WM_INITDIALOG = WM_INITDIALOG;
constexpr auto k_WM_COMMAND = WM_COMMAND;
constexpr auto k_WM_SYSCOMMAND = WM_SYSCOMMAND;
constexpr auto k_WM_TIMER = WM_TIMER;
constexpr auto k_WM_MOUSEMOVE = WM_MOUSEMOVE;
constexpr auto k_WM_LBUTTONDOWN = WM_LBUTTONDOWN;
constexpr auto k_WM_LBUTTONUP = WM_LBUTTONUP;
constexpr auto k_WM_RBUTTONDOWN = WM_RBUTTONDOWN;
constexpr auto k_WM_MBUTTONDOWN = WM_MBUTTONDOWN;
constexpr auto k_WS_CAPTION = WS_CAPTION;
constexpr auto k_WS_BORDER = WS_BORDER;
constexpr auto k_WS_SYSMENU = WS_SYSMENU;
constexpr auto k_WS_GROUP = WS_GROUP;
constexpr auto k_WS_DISABLED = WS_DISABLED;
constexpr auto k_WS_EX_RIGHT = WS_EX_RIGHT;
constexpr auto k_WS_EX_NOACTIVATE = WS_EX_NOACTIVATE;
constexpr auto k_WM_DISPLAYCHANGE = WM_DISPLAYCHANGE;
constexpr auto k_DS_SETFONT = DS_SETFONT;
constexpr auto k_DS_MODALFRAME = DS_MODALFRAME;
constexpr auto k_SS_LEFT = SS_LEFT;
constexpr auto k_SS_CENTER = SS_CENTER;
constexpr auto k_ES_AUTOHSCROLL = ES_AUTOHSCROLL;
constexpr auto k_BS_PUSHBUTTON = BS_PUSHBUTTON;
constexpr auto k_BS_DEFPUSHBUTTON = BS_DEFPUSHBUTTON;
constexpr auto k_UDS_ARROWKEYS = UDS_ARROWKEYS;
constexpr auto k_WM_QUERYDRAGICON = WM_QUERYDRAGICON;
}   // namespace Contract

#undef WS_CHILD
#undef WS_VISIBLE
#undef WS_POPUP
#undef WS_TABSTOP
#undef WS_EX_TOPMOST
#undef CS_VREDRAW
#undef CS_HREDRAW
#undef WM_CLOSE
#undef WM_ICONERASEBKGND
#undef SC_CLOSE
#undef SC_SCREENSAVE
#undef WA_INACTIVE
#undef SM_CXSCREEN
#undef SM_CYSCREEN
#undef SM_CXICON
#undef SM_CYICON
#undef IDOK
#undef IDCANCEL
#undef MB_OK
#undef MB_ICONEXCLAMATION
#undef MF_STRING
#undef MF_SEPARATOR
#undef BN_CLICKED
#undef EN_KILLFOCUS
#undef UDN_DELTAPOS
#undef WM_CREATE
#undef WM_DESTROY
#undef WM_ACTIVATE
#undef WM_PAINT
#undef WM_ACTIVATEAPP
#undef WM_SETCURSOR
#undef WM_NCACTIVATE
#undef WM_KEYDOWN
#undef WM_KEYUP
#undef WM_SYSKEYDOWN
#undef WM_NOTIFY
#undef WM_INITDIALOG
#undef WM_COMMAND
#undef WM_SYSCOMMAND
#undef WM_TIMER
#undef WM_MOUSEMOVE
#undef WM_LBUTTONDOWN
#undef WM_LBUTTONUP
#undef WM_RBUTTONDOWN
#undef WM_MBUTTONDOWN
#undef WS_CAPTION
#undef WS_BORDER
#undef WS_SYSMENU
#undef WS_GROUP
#undef WS_DISABLED
#undef WS_EX_RIGHT
#undef WS_EX_NOACTIVATE
#undef WM_DISPLAYCHANGE
#undef DS_SETFONT
#undef DS_MODALFRAME
#undef SS_LEFT
#undef SS_CENTER
#undef ES_AUTOHSCROLL
#undef BS_PUSHBUTTON
#undef BS_DEFPUSHBUTTON
#undef UDS_ARROWKEYS
#undef WM_QUERYDRAGICON

#include <windows.h>
#include <commctrl.h>

// Compared as 64-bit values, whatever types the two headers give them.
#define KELVANE_SAME(name)                                                                                             \
    static_assert(static_cast<long long>(Contract::k_##name) == static_cast<long long>(name), #name)

KELVANE_SAME(WS_CHILD);
KELVANE_SAME(WS_VISIBLE);
KELVANE_SAME(WS_POPUP);
KELVANE_SAME(WS_TABSTOP);
KELVANE_SAME(WS_EX_TOPMOST);
KELVANE_SAME(CS_VREDRAW);
KELVANE_SAME(CS_HREDRAW);
KELVANE_SAME(WM_CLOSE);
KELVANE_SAME(WM_ICONERASEBKGND);
KELVANE_SAME(SC_CLOSE);
KELVANE_SAME(SC_SCREENSAVE);
KELVANE_SAME(WA_INACTIVE);
KELVANE_SAME(SM_CXSCREEN);
KELVANE_SAME(SM_CYSCREEN);
KELVANE_SAME(SM_CXICON);
KELVANE_SAME(SM_CYICON);
KELVANE_SAME(IDOK);
KELVANE_SAME(IDCANCEL);
KELVANE_SAME(MB_OK);
KELVANE_SAME(MB_ICONEXCLAMATION);
KELVANE_SAME(MF_STRING);
KELVANE_SAME(MF_SEPARATOR);
KELVANE_SAME(BN_CLICKED);
KELVANE_SAME(EN_KILLFOCUS);
KELVANE_SAME(UDN_DELTAPOS);
KELVANE_SAME(WM_CREATE);
KELVANE_SAME(WM_DESTROY);
KELVANE_SAME(WM_ACTIVATE);
KELVANE_SAME(WM_PAINT);
KELVANE_SAME(WM_ACTIVATEAPP);
KELVANE_SAME(WM_SETCURSOR);
KELVANE_SAME(WM_NCACTIVATE);
KELVANE_SAME(WM_KEYDOWN);
KELVANE_SAME(WM_KEYUP);
KELVANE_SAME(WM_SYSKEYDOWN);
KELVANE_SAME(WM_NOTIFY);
KELVANE_SAME(WM_INITDIALOG);
KELVANE_SAME(WM_COMMAND);
KELVANE_SAME(WM_SYSCOMMAND);
KELVANE_SAME(WM_TIMER);
KELVANE_SAME(WM_MOUSEMOVE);
KELVANE_SAME(WM_LBUTTONDOWN);
KELVANE_SAME(WM_LBUTTONUP);
KELVANE_SAME(WM_RBUTTONDOWN);
KELVANE_SAME(WM_MBUTTONDOWN);
KELVANE_SAME(WS_CAPTION);
KELVANE_SAME(WS_BORDER);
KELVANE_SAME(WS_SYSMENU);
KELVANE_SAME(WS_GROUP);
KELVANE_SAME(WS_DISABLED);
KELVANE_SAME(WS_EX_RIGHT);
KELVANE_SAME(WS_EX_NOACTIVATE);
KELVANE_SAME(WM_DISPLAYCHANGE);
KELVANE_SAME(DS_SETFONT);
KELVANE_SAME(DS_MODALFRAME);
KELVANE_SAME(SS_LEFT);
KELVANE_SAME(SS_CENTER);
KELVANE_SAME(ES_AUTOHSCROLL);
KELVANE_SAME(BS_PUSHBUTTON);
KELVANE_SAME(BS_DEFPUSHBUTTON);
KELVANE_SAME(UDS_ARROWKEYS);
KELVANE_SAME(WM_QUERYDRAGICON);

// WM_NOTIFY hands the system's own NMUPDOWN to the program as its CNmUpDown.
#include "platform/Dialog.h"
#include "platform/win32/Win32.h"

#include <cstddef>

static_assert(sizeof(CNmUpDown) == sizeof(NMUPDOWN), "NMUPDOWN");
static_assert(offsetof(CNmUpDown, hdr.idFrom) == offsetof(NMUPDOWN, hdr.idFrom), "NMHDR::idFrom");
static_assert(offsetof(CNmUpDown, hdr.code) == offsetof(NMUPDOWN, hdr.code), "NMHDR::code");
static_assert(offsetof(CNmUpDown, iPos) == offsetof(NMUPDOWN, iPos), "NMUPDOWN::iPos");
static_assert(offsetof(CNmUpDown, iDelta) == offsetof(NMUPDOWN, iDelta), "NMUPDOWN::iDelta");
