#pragma once
// The headless back end's own controls, for tests, the recorder and the benchmark. It plays the
// window system in memory: a screen of a chosen size, windows with client rectangles, one message
// queue, and a simulated clock that moves only when asked, so that timers tick deterministically.

#include "platform/FrameBuffer.h"
#include "platform/Types.h"
#include "platform/WinMessages.h"
#include "platform/Wnd.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Headless
{
// The screen that full-screen windows cover (1920 x 1080 until set), as the one monitor.
void SetScreenSize(int cx, int cy);

// The monitors, primary first; none: the screen alone again. The primary's size becomes the
// screen's. Every top-level window of the program hears of the change at once, as the system tells
// them (OnDisplayChange).
void SetMonitors(const std::vector<CRect>& rects);

// Powers the display down (false) or back on (true). Every window of the program that stands on
// the screen (top-level, or inside a host of another program) hears of it at once (OnDisplayPower).
void SetDisplayPower(bool bOn);

// Sets the wall clock AfxGetTime() reads now (it then follows the simulated clock) and the process
// id AfxGetProcessId() answers. Both start at 0, so a snow window made now seeds its generator
// with nSeconds ^ nProcessId.
void SetClock(unsigned int nSeconds, unsigned int nProcessId);

// Simulated milliseconds since the application object was made.
std::uint64_t Now();

// Delivers what is queued, then the pending paints, without letting time pass.
void PumpMessages();

// Lets ms of simulated time pass, delivering posted messages, paints and timer ticks as they fall due.
void Advance(std::uint64_t ms);

// Lets time pass up to the next timer tick and delivers it; false when no timer runs.
bool NextTick();

// Whether the quit message has been posted, and its code.
bool QuitPosted(int* pExitCode = nullptr);

// The system refuses the next nCount windows the program asks for, as one short of resources
// would: none is made and its object hears PostNcDestroy, as after any failed creation. 0 ends
// refusing. Refusals belong to the application object alive now.
void RefuseWindows(int nCount);

// A window of another program, for preview mode to draw into; rcScreen in screen coordinates.
WindowHandle CreateHostWindow(const CRect& rcScreen);
// Destroys any window, ours or a host, with its children, as the system would.
void DestroyWindow(WindowHandle hWnd);
void MoveWindow(WindowHandle hWnd, const CRect& rc);

// Input and system messages, as the system would post or send them.
void Post(WindowHandle hWnd, UINT message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
std::intptr_t Send(WindowHandle hWnd, UINT message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

// What the system knows of a window.
struct WindowInfo
{
    bool bAlive = false;
    WindowHandle hParent = 0;
    UINT dwStyle = 0;
    UINT dwExStyle = 0;
    CRect rcWindow;   // screen coordinates
    UINT nClassStyle = 0;
    UINT nIDCursor = 0;   // the cursor resource of its class
    int nTimers = 0;
    UINT nTimerPeriod = 0;   // of timer 1, after the system's lower limit
};
WindowInfo GetWindowInfo(WindowHandle hWnd);
std::vector<WindowHandle> TopLevelWindows();

// The window's framebuffer, and the rectangles it last presented.
const CFrameBuffer* FrameBufferOf(WindowHandle hWnd);
const std::vector<CRect>& LastPresentedRects(WindowHandle hWnd);

// Messages whose default handling ran, in order.
struct DefaultCall
{
    WindowHandle hWnd;
    UINT message;
    std::uintptr_t wParam;
};
const std::vector<DefaultCall>& DefaultCalls();

// Whether a handler hid the cursor (AfxHideCursor) since the last call; resets it.
bool TakeCursorHidden();

// Message boxes shown so far, in the order they appeared. A box takes the keyboard focus as it
// opens (which may start handlers, and their boxes appear first) and gives it back when it closes;
// the script, if set, answers each box while it is open (time may pass).
struct MessageBoxCall
{
    std::string text;
    UINT nType;
    UINT nIDHelp;
    std::string caption;
    WindowHandle hOwner;   // 0: none
};
const std::vector<MessageBoxCall>& MessageBoxes();
void SetMessageBoxScript(std::function<void(const MessageBoxCall&)> script);

// Dialogs. A modal dialog runs the next script pushed here once it has opened, as its user; when
// the script returns without ending the dialog, or there is none, the user presses Escape.
// Dialog units are 2 pixels each way.
void PushModalScript(std::function<void(WindowHandle hDlg)> script);
WindowHandle DlgItem(WindowHandle hDlg, int nID);
std::string WindowText(WindowHandle hWnd);
WindowHandle Focus();
// Every window the focus went to since the application started, 0 where it went to none.
const std::vector<WindowHandle>& FocusMoves();
// Whether the edit's whole text is selected, as after a Tab into it or a failed exchange.
bool TextSelected(WindowHandle hEdit);
// The user's input, through the same dialog manager as the desktop's: typing replaces an edit's
// text; a click on a button takes the focus first and is lost if a message box opens meanwhile; a
// click on an arrow leaves the focus where it is; holding it down for ms repeats its step, as long
// as no box takes the mouse meanwhile.
void TypeText(WindowHandle hEdit, const std::string& text);
void ClickButton(WindowHandle hDlg, int nID);
void ClickArrow(WindowHandle hDlg, int nID, bool bUpper);
void HoldArrow(WindowHandle hDlg, int nID, bool bUpper, std::uint64_t ms);
void PressTab(WindowHandle hDlg, bool bBackward = false);
void PressEscape(WindowHandle hDlg);
// Enter presses the focused push button, or else the dialog's default button; Alt and a letter
// click the button whose text marks that letter with '&'; a letter alone does so only while the
// focus is not in an edit (PressKey: true when the dialog took the key).
void PressEnter(WindowHandle hDlg);
void PressMnemonic(WindowHandle hDlg, char chLetter);
bool PressKey(WindowHandle hDlg, char chLetter, bool bAlt);
// Minimises or restores a window, as the system would on another program's request.
void SetIconic(WindowHandle hWnd, bool bIconic);
int ArrowPosition(WindowHandle hArrows);
struct MenuItem
{
    UINT nFlags;
    UINT nID;
    std::string text;
};
std::vector<MenuItem> SystemMenu(WindowHandle hWnd);
}   // namespace Headless
