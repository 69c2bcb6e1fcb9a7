#pragma once
// The headless back end's state, shared by its source files.

#include "platform/Dialog.h"
#include "platform/FrameBuffer.h"
#include "platform/WinApp.h"
#include "platform/Wnd.h"
#include "platform/common/DialogManager.h"
#include "platform/common/WndRecord.h"
#include "platform/headless/Headless.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct CWndImpl : CWndRecord<CWndImpl>
{
    struct Timer
    {
        UINT nID;
        UINT nPeriod;
        std::uint64_t nDue;
        std::uint64_t nOrder;   // ticks falling due together arrive in the order their timers were set
    };

    CRect rcWindow;              // in the parent's client coordinates, or the screen's
    bool bSelectedAll = false;   // an edit whose whole text is selected
    bool bDialog = false;
    bool bNeedsPaint = false;
    bool bIconic = false;
    std::vector<Timer> timers;

    CFrameBuffer frame;
    std::vector<CRect> lastPresented;

    CRect ClientRect() const { return CRect(0, 0, rcWindow.Width(), rcWindow.Height()); }
    CRect ScreenRect() const;

    // Calls the handler of message on the window, as the system's dispatch would.
    std::intptr_t Dispatch(UINT message, std::uintptr_t wParam, std::intptr_t lParam);
    // The system's own handling of a message (Win32's DefWindowProc).
    std::intptr_t DefaultHandling(const Message& msg);
    void Present();
    // The window's end, after it has left the table: its timers stop.
    void NativeTeardown() { timers.clear(); }

    // Handler access for the back end.
    static void CallOnNcDestroy(CWnd* p) { p->OnNcDestroy(); }
    static CWndImpl* Of(const CWnd* p) { return p != nullptr ? p->m_pImpl : nullptr; }
    static void Attach(CWnd* p, CWndImpl* pImpl) { p->m_pImpl = pImpl; }
};

struct CWinAppImpl : CWndTable<CWndImpl>, CDialogManager<CWinAppImpl, CWndImpl>
{
    struct Posted
    {
        WindowHandle hWnd;
        CWndImpl::Message msg;
    };

    CWinApp* pApp = nullptr;
    std::uint64_t nNow = 0;
    std::uint64_t nTimerOrder = 0;
    unsigned int nEpochSeconds = 0;
    unsigned int nProcessId = 0;
    int cxScreen = 1920;
    int cyScreen = 1080;
    std::vector<CRect> monitors;   // Headless::SetMonitors; empty: the screen is the one monitor

    std::deque<Posted> queue;
    bool bQuit = false;
    int nExitCode = 0;

    WindowHandle hNext = 0x1000;
    int nWindowsToRefuse = 0;               // Headless::RefuseWindows
    std::vector<WindowHandle> focusMoves;   // every window the focus went to, 0 for none

    std::vector<Headless::DefaultCall> defaultCalls;
    std::vector<Headless::MessageBoxCall> messageBoxes;
    std::function<void(const Headless::MessageBoxCall&)> messageBoxScript;
    std::deque<std::function<void(WindowHandle)>> modalScripts;
    bool bCursorHidden = false;
    CFrameBuffer noFrame;   // zero pixels: what a window that is gone draws into

    // The dialog manager's native side: the focus is only recorded, an arrow's repeat is a timer of
    // the arrows' own, and the simulated pointer stays where it was pressed.
    void NativeFocus(CWndImpl* pNew, CWndImpl* pOld);
    static void NativeSelectAll(CWndImpl* pEdit) { pEdit->bSelectedAll = true; }
    static void NativeArrowHold(CWndImpl* pArrows, UINT nMs);
    static bool NativePointerOver(CWndImpl* /*pArrows*/, bool /*bUpper*/) { return true; }
    // One message from the queue, else one pending paint; false when there was none.
    bool DispatchOne();
    // The timer that falls due first, and its window; nullptr when no timer runs.
    CWndImpl* NextTimer(CWndImpl::Timer** ppTimer);
    void DeliverTimer(CWndImpl* pImpl, CWndImpl::Timer* pTimer);
};

// The application's back-end state; every headless service works on it.
CWinAppImpl& HeadlessState();
// The same, by the name the code shared by the back ends that keep window records uses.
inline CWinAppImpl& RecordState()
{
    return HeadlessState();
}
