#pragma once
// The headless back end's state, shared by its source files.

#include "platform/Dialog.h"
#include "platform/FrameBuffer.h"
#include "platform/WinApp.h"
#include "platform/Wnd.h"
#include "platform/headless/Headless.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct CMenuImpl
{
    struct Item
    {
        UINT nFlags;
        UINT nID;
        std::string text;
    };
    std::vector<Item> items;
};

struct CWndImpl
{
    struct Timer
    {
        UINT nID;
        UINT nPeriod;
        std::uint64_t nDue;
        std::uint64_t nOrder;   // ticks falling due together arrive in the order their timers were set
    };

    struct Message
    {
        UINT message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
    };

    WindowHandle hWnd = 0;
    CWnd* pWnd = nullptr;                    // the object that answers for the window
    std::unique_ptr<CWnd> pOwnObject;        // an object the system made: for a host, or a dialog's control
    bool bHost = false;                      // a window of another program
    bool bDestroying = false;
    CWndImpl* pParent = nullptr;
    std::vector<CWndImpl*> children;
    CRect rcWindow;                          // in the parent's client coordinates, or the screen's
    UINT dwStyle = 0;
    UINT dwExStyle = 0;
    UINT nClassStyle = 0;
    UINT nIDCursor = 0;
    std::string text;
    std::string className;                   // a control's: "EDIT", "BUTTON", "STATIC", "msctls_updown32"
    int nID = 0;
    int nUpDownPos = 0;
    bool bSelectedAll = false;               // an edit whose whole text is selected
    bool bDialog = false;
    bool bNeedsPaint = false;
    bool bIconic = false;
    std::vector<Timer> timers;
    std::vector<Message> handling;           // the messages being handled, innermost last
    CMenuImpl systemMenu;
    std::unique_ptr<CMenu> pSystemMenu;

    CFrameBuffer frame;
    std::vector<CRect> lastPresented;

    CRect ClientRect() const { return CRect(0, 0, rcWindow.Width(), rcWindow.Height()); }
    CRect ScreenRect() const;

    // Calls the handler of message on the window, as the system's dispatch would.
    std::intptr_t Dispatch(UINT message, std::uintptr_t wParam, std::intptr_t lParam);
    // The system's own handling of a message (Win32's DefWindowProc).
    std::intptr_t DefaultHandling(const Message& msg);
    void Present();

    // Handler access for the back end.
    static void CallOnNcDestroy(CWnd* p) { p->OnNcDestroy(); }
    static CWndImpl* Of(const CWnd* p) { return p != nullptr ? p->m_pImpl : nullptr; }
    static void Attach(CWnd* p, CWndImpl* pImpl) { p->m_pImpl = pImpl; }
};

struct CWinAppImpl
{
    struct Posted
    {
        WindowHandle hWnd;
        CWndImpl::Message msg;
    };

    struct WindowClass
    {
        UINT nClassStyle;
        UINT nIDCursor;
    };

    CWinApp* pApp = nullptr;
    std::uint64_t nNow = 0;
    std::uint64_t nTimerOrder = 0;
    unsigned int nEpochSeconds = 0;
    unsigned int nProcessId = 0;
    int cxScreen = 1920;
    int cyScreen = 1080;

    std::deque<Posted> queue;
    bool bQuit = false;
    int nExitCode = 0;

    WindowHandle hNext = 0x1000;
    int nWindowsToRefuse = 0;                // Headless::RefuseWindows
    std::map<WindowHandle, std::unique_ptr<CWndImpl>> windows;
    std::map<std::string, WindowClass> classes;
    WindowHandle hFocus = 0;
    std::vector<WindowHandle> focusMoves;    // every window the focus went to, 0 for none

    std::vector<Headless::DefaultCall> defaultCalls;
    std::vector<Headless::MessageBoxCall> messageBoxes;
    std::function<void(const Headless::MessageBoxCall&)> messageBoxScript;
    std::deque<std::function<void(WindowHandle)>> modalScripts;
    bool bCursorHidden = false;
    CFrameBuffer noFrame;   // zero pixels: what a window that is gone draws into
    std::vector<std::unique_ptr<CWnd>> goneHostObjects;   // objects of hosts that are gone, kept till the end

    CWndImpl* Find(WindowHandle hWnd) const;
    void Destroy(CWndImpl* pImpl);
    // Moves the keyboard focus; an edit that loses it tells its dialog (EN_KILLFOCUS) at once.
    void SetFocusTo(CWndImpl* pImpl);
    // One message from the queue, else one pending paint; false when there was none.
    bool DispatchOne();
    // The timer that falls due first, and its window; nullptr when no timer runs.
    CWndImpl* NextTimer(CWndImpl::Timer** ppTimer);
    void DeliverTimer(CWndImpl* pImpl, CWndImpl::Timer* pTimer);
};

// The application's back-end state; every headless service works on it.
CWinAppImpl& HeadlessState();
