// The headless application frame: one message queue, a simulated clock, the screen and the
// system services that belong to no window.

#include "platform/Runtime.h"
#include "platform/WinApp.h"
#include "platform/common/BackEnd.h"
#include "platform/headless/HeadlessImpl.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

CWinAppImpl* AfxNewAppImpl(CWinApp* pApp)
{
    auto* pImpl = new CWinAppImpl;
    pImpl->pApp = pApp;
    return pImpl;
}

void AfxDeleteAppImpl(CWinAppImpl* pImpl)
{
    pImpl->DestroyAll();
    delete pImpl;
}

CWinAppImpl& HeadlessState()
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr || pApp->m_pImpl == nullptr)
    {
        std::fputs("kelvane: the headless window system needs an application object\n", stderr);
        std::abort();
    }
    return *pApp->m_pImpl;
}

bool CWinAppImpl::DispatchOne()
{
    if (!queue.empty())
    {
        const Posted posted = queue.front();
        queue.pop_front();
        // Messages for a window that is gone are dropped, as the system drops them.
        if (CWndImpl* pImpl = Find(posted.hWnd); pImpl != nullptr && !pImpl->bHost)
            pImpl->Dispatch(posted.msg.message, posted.msg.wParam, posted.msg.lParam);
        return true;
    }
    if (bQuit)
        return false;
    for (auto& [hWnd, pImpl] : windows)
    {
        if (pImpl->bNeedsPaint && !pImpl->bHost)
        {
            pImpl->bNeedsPaint = false;
            pImpl->Dispatch(WM_PAINT, 0, 0);
            return true;
        }
    }
    return false;
}

CWndImpl* CWinAppImpl::NextTimer(CWndImpl::Timer** ppTimer)
{
    CWndImpl* pFirst = nullptr;
    CWndImpl::Timer* pTimer = nullptr;
    for (auto& [hWnd, pImpl] : windows)
    {
        for (auto& timer : pImpl->timers)
        {
            if (pTimer == nullptr || timer.nDue < pTimer->nDue ||
                (timer.nDue == pTimer->nDue && timer.nOrder < pTimer->nOrder))
            {
                pFirst = pImpl.get();
                pTimer = &timer;
            }
        }
    }
    *ppTimer = pTimer;
    return pFirst;
}

void CWinAppImpl::DeliverTimer(CWndImpl* pImpl, CWndImpl::Timer* pTimer)
{
    nNow = std::max(nNow, pTimer->nDue);
    const UINT nID = pTimer->nID;
    pTimer->nDue += pTimer->nPeriod;   // before the handler, which may kill or reset the timer
    pImpl->Dispatch(WM_TIMER, nID, 0);
}

int CWinApp::Run()
{
    CWinAppImpl& s = *m_pImpl;
    for (;;)
    {
        while (s.DispatchOne())
        {
        }
        if (s.bQuit)
            return s.nExitCode;
        CWndImpl::Timer* pTimer = nullptr;
        CWndImpl* pImpl = s.NextTimer(&pTimer);
        if (pImpl == nullptr)
            return -1;   // nothing could ever arrive: a real loop would wait for ever
        s.DeliverTimer(pImpl, pTimer);
    }
}

void AfxPostQuitMessage(int nExitCode)
{
    CWinAppImpl& s = HeadlessState();
    if (!s.bQuit)
        s.nExitCode = nExitCode;
    s.bQuit = true;
}

const char* AfxRegisterWndClass(UINT nClassStyle, UINT nIDCursor)
{
    return HeadlessState().RegisterClass(nClassStyle, nIDCursor);
}

int AfxGetSystemMetrics(int nIndex)
{
    const CWinAppImpl& s = HeadlessState();
    switch (nIndex)
    {
    case SM_CXSCREEN: return s.cxScreen;
    case SM_CYSCREEN: return s.cyScreen;
    case SM_CXICON:
    case SM_CYICON: return 32;
    default: return 0;
    }
}

void AfxHideCursor()
{
    HeadlessState().bCursorHidden = true;
}

void AfxCancelMode()
{
    HeadlessState().CancelMode();
}

int AfxShowMessageBox(CWnd* pOwner, const std::string& strCaption, const std::string& strText, UINT nType, UINT nIDHelp)
{
    CWinAppImpl& s = HeadlessState();
    // The box takes the focus as it opens: an edit that loses it runs its handler now, and the
    // boxes that handler shows appear before this one.
    const WindowHandle hHadFocus = s.hFocus;
    s.SetFocusTo(nullptr);
    const Headless::MessageBoxCall call{strText, nType, nIDHelp, strCaption,
                                        pOwner != nullptr ? pOwner->GetSafeHwnd() : 0};
    s.messageBoxes.push_back(call);
    if (s.messageBoxScript)
        s.messageBoxScript(call);
    // Closing, it gives the focus back to where it was, if that window is still there.
    if (s.hFocus == 0 && s.Find(hHadFocus) != nullptr)
    {
        s.hFocus = hHadFocus;
        s.focusMoves.push_back(hHadFocus);
    }
    return IDOK;
}

std::string AfxLoadString(UINT nID)
{
    const char* psz = AfxFindString(nID);
    return psz != nullptr ? psz : "";
}

unsigned int AfxGetTime()
{
    const CWinAppImpl& s = HeadlessState();
    return s.nEpochSeconds + static_cast<unsigned int>(s.nNow / 1000);
}

unsigned int AfxGetProcessId()
{
    return HeadlessState().nProcessId;
}

namespace Headless
{
void SetScreenSize(int cx, int cy)
{
    CWinAppImpl& s = HeadlessState();
    s.cxScreen = cx;
    s.cyScreen = cy;
    s.monitors.clear();
}

void SetClock(unsigned int nSeconds, unsigned int nProcessId)
{
    CWinAppImpl& s = HeadlessState();
    s.nEpochSeconds = nSeconds - static_cast<unsigned int>(s.nNow / 1000);
    s.nProcessId = nProcessId;
}

std::uint64_t Now()
{
    return HeadlessState().nNow;
}

void PumpMessages()
{
    CWinAppImpl& s = HeadlessState();
    while (s.DispatchOne())
    {
    }
}

void Advance(std::uint64_t ms)
{
    CWinAppImpl& s = HeadlessState();
    const std::uint64_t nTarget = s.nNow + ms;
    for (;;)
    {
        PumpMessages();
        if (s.bQuit)
            break;
        CWndImpl::Timer* pTimer = nullptr;
        CWndImpl* pImpl = s.NextTimer(&pTimer);
        if (pImpl == nullptr || pTimer->nDue > nTarget)
            break;
        s.DeliverTimer(pImpl, pTimer);
    }
    s.nNow = std::max(s.nNow, nTarget);
}

bool NextTick()
{
    CWinAppImpl& s = HeadlessState();
    PumpMessages();
    if (s.bQuit)
        return false;
    CWndImpl::Timer* pTimer = nullptr;
    CWndImpl* pImpl = s.NextTimer(&pTimer);
    if (pImpl == nullptr)
        return false;
    s.DeliverTimer(pImpl, pTimer);
    PumpMessages();
    return true;
}

bool QuitPosted(int* pExitCode)
{
    const CWinAppImpl& s = HeadlessState();
    if (pExitCode != nullptr)
        *pExitCode = s.nExitCode;
    return s.bQuit;
}

const std::vector<DefaultCall>& DefaultCalls()
{
    return HeadlessState().defaultCalls;
}

bool TakeCursorHidden()
{
    CWinAppImpl& s = HeadlessState();
    const bool bHidden = s.bCursorHidden;
    s.bCursorHidden = false;
    return bHidden;
}

const std::vector<WindowHandle>& FocusMoves()
{
    return HeadlessState().focusMoves;
}

const std::vector<MessageBoxCall>& MessageBoxes()
{
    return HeadlessState().messageBoxes;
}

void SetMessageBoxScript(std::function<void(const MessageBoxCall&)> script)
{
    HeadlessState().messageBoxScript = std::move(script);
}
}   // namespace Headless
