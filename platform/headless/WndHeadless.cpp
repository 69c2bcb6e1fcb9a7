// Headless windows: rectangles in memory, messages dispatched to the program's handlers, timers
// on the simulated clock.

#include "platform/Dialog.h"
#include "platform/WinApp.h"
#include "platform/Wnd.h"
#include "platform/common/BackEnd.h"
#include "platform/common/WndRouting.h"
#include "platform/headless/HeadlessImpl.h"

#include <algorithm>

namespace
{
constexpr UINT kArrowRepeatTimer = 1;

bool TakeRefusal(CWinAppImpl& s)
{
    if (s.nWindowsToRefuse <= 0)
        return false;
    --s.nWindowsToRefuse;
    return true;
}
}   // namespace

CRect CWndImpl::ScreenRect() const
{
    CRect rc = rcWindow;
    for (const CWndImpl* p = pParent; p != nullptr; p = p->pParent)
    {
        rc.left += p->rcWindow.left;
        rc.right += p->rcWindow.left;
        rc.top += p->rcWindow.top;
        rc.bottom += p->rcWindow.top;
    }
    return rc;
}

std::intptr_t CWndImpl::Dispatch(UINT message, std::uintptr_t wParam, std::intptr_t lParam)
{
    CWnd* p = pWnd;
    const WindowHandle hSelf = hWnd;
    handling.push_back({message, wParam, lParam});
    std::intptr_t lResult = 0;
    if (!CWndRouting::CallHandler(p, message, wParam, lParam, &lResult))
        lResult = DefaultHandling(handling.back());
    // The handler may have destroyed the window, and with it this object; handles are never reused.
    if (HeadlessState().Find(hSelf) != nullptr)
        handling.pop_back();
    return lResult;
}

std::intptr_t CWndImpl::DefaultHandling(const Message& msg)
{
    CWinAppImpl& s = HeadlessState();
    s.defaultCalls.push_back({hWnd, msg.message, msg.wParam});
    switch (msg.message)
    {
    case WM_CLOSE:
        // A dialog closes as if its Cancel button were pressed.
        if (bDialog)
            return Dispatch(WM_COMMAND, IDCANCEL | (BN_CLICKED << 16), 0);
        s.Destroy(this);
        return 0;
    case WM_SYSCOMMAND:
        if ((msg.wParam & 0xFFF0) == SC_CLOSE)
            return Dispatch(WM_CLOSE, 0, 0);
        return 0;
    case WM_NCACTIVATE: return 1;
    case WM_TIMER:
        // An arrow pair repeats its step on a timer of its own while it is held.
        if (className == "msctls_updown32" && msg.wParam == kArrowRepeatTimer)
            s.RepeatArrow(this);
        return 0;
    default: return 0;
    }
}

bool CWnd::CreateEx(UINT dwExStyle, const char* lpszClassName, const char* lpszWindowName, UINT dwStyle,
                    const CRect& rect, CWnd* pParentWnd, UINT nID)
{
    CWinAppImpl& s = HeadlessState();
    CWndImpl* pParent = CWndImpl::Of(pParentWnd);
    if (m_pImpl != nullptr)
        return false;
    if ((pParentWnd != nullptr && pParent == nullptr) || TakeRefusal(s))
    {
        CWndImpl::CallOnNcDestroy(this);
        return false;
    }

    auto pImpl = std::make_unique<CWndImpl>();
    pImpl->hWnd = s.hNext++;
    pImpl->pWnd = this;
    pImpl->pParent = pParent;
    pImpl->rcWindow = rect;
    pImpl->dwStyle = dwStyle;
    pImpl->dwExStyle = dwExStyle;
    pImpl->text = lpszWindowName != nullptr ? lpszWindowName : "";
    pImpl->nID = static_cast<int>(nID);
    s.ApplyClass(pImpl.get(), lpszClassName);
    m_pImpl = pImpl.get();
    if (pParent != nullptr)
        pParent->children.push_back(m_pImpl);
    const WindowHandle hWnd = pImpl->hWnd;
    s.windows.emplace(hWnd, std::move(pImpl));

    if (m_pImpl->Dispatch(WM_CREATE, 0, 0) == -1)
    {
        if (s.Find(hWnd) != nullptr)
            s.Destroy(s.Find(hWnd));
        return false;
    }
    if (CWndImpl* pImplNow = s.Find(hWnd); pImplNow != nullptr)
    {
        pImplNow->bNeedsPaint = (dwStyle & WS_VISIBLE) != 0;
        return true;
    }
    return false;
}

CWnd* CWnd::FromHandle(WindowHandle hWnd)
{
    CWndImpl* pImpl = HeadlessState().Find(hWnd);
    if (pImpl == nullptr || pImpl->bDestroying)
        return nullptr;
    if (pImpl->bHost && !pImpl->pOwnObject)
    {
        pImpl->pOwnObject = std::make_unique<CWnd>();
        CWndImpl::Attach(pImpl->pOwnObject.get(), pImpl);
        pImpl->pWnd = pImpl->pOwnObject.get();
    }
    return pImpl->pWnd;
}

void CWnd::GetWindowRect(CRect* lpRect) const
{
    *lpRect = m_pImpl != nullptr ? m_pImpl->ScreenRect() : CRect();
}

void CWnd::ScreenToClient(CRect* lpRect) const
{
    if (m_pImpl == nullptr)
        return;
    const CRect rcScreen = m_pImpl->ScreenRect();
    *lpRect = CRect(lpRect->left - rcScreen.left, lpRect->top - rcScreen.top, lpRect->right - rcScreen.left,
                    lpRect->bottom - rcScreen.top);
}

CWnd* CWnd::GetParent() const
{
    return m_pImpl != nullptr && m_pImpl->pParent != nullptr ? FromHandle(m_pImpl->pParent->hWnd) : nullptr;
}

bool CWnd::IsIconic() const
{
    return m_pImpl != nullptr && m_pImpl->bIconic;
}

void CWnd::CenterWindow()
{
    if (m_pImpl == nullptr)
        return;
    const CWinAppImpl& s = HeadlessState();
    const CRect rcArea =
        m_pImpl->pParent != nullptr ? m_pImpl->pParent->ClientRect() : CRect(0, 0, s.cxScreen, s.cyScreen);
    const int cx = m_pImpl->rcWindow.Width();
    const int cy = m_pImpl->rcWindow.Height();
    const int x = rcArea.left + (rcArea.Width() - cx) / 2;
    const int y = rcArea.top + (rcArea.Height() - cy) / 2;
    m_pImpl->rcWindow = CRect(x, y, x + cx, y + cy);
}

bool CWnd::PostMessage(UINT message, std::uintptr_t wParam, std::intptr_t lParam)
{
    if (m_pImpl == nullptr)
        return false;
    HeadlessState().queue.push_back({m_pImpl->hWnd, {message, wParam, lParam}});
    return true;
}

std::intptr_t CWnd::SendMessage(UINT message, std::uintptr_t wParam, std::intptr_t lParam)
{
    return m_pImpl != nullptr ? m_pImpl->Dispatch(message, wParam, lParam) : 0;
}

UINT CWnd::SetTimer(UINT nIDEvent, UINT nElapse)
{
    if (m_pImpl == nullptr)
        return 0;
    CWinAppImpl& s = HeadlessState();
    const UINT nPeriod = AfxTimerPeriod(nElapse);
    auto& timers = m_pImpl->timers;
    std::erase_if(timers, [nIDEvent](const CWndImpl::Timer& t) { return t.nID == nIDEvent; });
    timers.push_back({nIDEvent, nPeriod, s.nNow + nPeriod, s.nTimerOrder++});
    return nIDEvent != 0 ? nIDEvent : 1;
}

bool CWnd::KillTimer(UINT nIDEvent)
{
    if (m_pImpl == nullptr)
        return false;
    return std::erase_if(m_pImpl->timers, [nIDEvent](const CWndImpl::Timer& t) { return t.nID == nIDEvent; }) > 0;
}

void CWnd::Invalidate()
{
    if (m_pImpl != nullptr)
        m_pImpl->bNeedsPaint = true;
}

void CWnd::SetWindowText(const std::string& text)
{
    if (m_pImpl != nullptr)
        m_pImpl->text = text;
}

std::string CWnd::GetWindowText() const
{
    return m_pImpl != nullptr ? m_pImpl->text : std::string();
}

CWnd* AfxSetFocus(CWnd* pWnd)
{
    CWinAppImpl& s = HeadlessState();
    CWnd* pOld = CWnd::FromHandle(s.hFocus);
    if (CWndImpl* pImpl = CWndImpl::Of(pWnd); pImpl != nullptr)
        s.SetFocusTo(pImpl);
    return pOld;
}

CWnd* CWnd::GetFocus()
{
    return FromHandle(HeadlessState().hFocus);
}

void CWinAppImpl::NativeFocus(CWndImpl* /*pNew*/, CWndImpl* pOld)
{
    focusMoves.push_back(hFocus);
    if (pOld != nullptr)
        pOld->bSelectedAll = false;
}

void CWinAppImpl::NativeArrowHold(CWndImpl* pArrows, UINT nMs)
{
    if (nMs != 0)
        pArrows->pWnd->SetTimer(kArrowRepeatTimer, nMs);
    else
        pArrows->pWnd->KillTimer(kArrowRepeatTimer);
}

#include "platform/common/WndRecordMembers.inl"

namespace Headless
{
void RefuseWindows(int nCount)
{
    HeadlessState().nWindowsToRefuse = nCount;
}

WindowHandle CreateHostWindow(const CRect& rcScreen)
{
    CWinAppImpl& s = HeadlessState();
    auto pImpl = std::make_unique<CWndImpl>();
    pImpl->hWnd = s.hNext++;
    pImpl->bHost = true;
    pImpl->rcWindow = rcScreen;
    pImpl->dwStyle = WS_POPUP | WS_VISIBLE;
    const WindowHandle hWnd = pImpl->hWnd;
    s.windows.emplace(hWnd, std::move(pImpl));
    return hWnd;
}

void DestroyWindow(WindowHandle hWnd)
{
    CWinAppImpl& s = HeadlessState();
    if (CWndImpl* pImpl = s.Find(hWnd); pImpl != nullptr)
        s.Destroy(pImpl);
}

void SetIconic(WindowHandle hWnd, bool bIconic)
{
    if (CWndImpl* pImpl = HeadlessState().Find(hWnd); pImpl != nullptr)
    {
        pImpl->bIconic = bIconic;
        pImpl->bNeedsPaint = !pImpl->bHost;
    }
}

void MoveWindow(WindowHandle hWnd, const CRect& rc)
{
    if (CWndImpl* pImpl = HeadlessState().Find(hWnd); pImpl != nullptr)
    {
        pImpl->rcWindow = rc;
        pImpl->bNeedsPaint = !pImpl->bHost;
    }
}

void Post(WindowHandle hWnd, UINT message, std::uintptr_t wParam, std::intptr_t lParam)
{
    HeadlessState().queue.push_back({hWnd, {message, wParam, lParam}});
}

std::intptr_t Send(WindowHandle hWnd, UINT message, std::uintptr_t wParam, std::intptr_t lParam)
{
    CWndImpl* pImpl = HeadlessState().Find(hWnd);
    return pImpl != nullptr && !pImpl->bHost ? pImpl->Dispatch(message, wParam, lParam) : 0;
}

WindowInfo GetWindowInfo(WindowHandle hWnd)
{
    WindowInfo info;
    const CWndImpl* pImpl = HeadlessState().Find(hWnd);
    if (pImpl == nullptr)
        return info;
    info.bAlive = true;
    info.hParent = pImpl->pParent != nullptr ? pImpl->pParent->hWnd : 0;
    info.dwStyle = pImpl->dwStyle;
    info.dwExStyle = pImpl->dwExStyle;
    info.rcWindow = pImpl->ScreenRect();
    info.nClassStyle = pImpl->nClassStyle;
    info.nIDCursor = pImpl->nIDCursor;
    info.nTimers = static_cast<int>(pImpl->timers.size());
    for (const auto& timer : pImpl->timers)
        if (timer.nID == 1)
            info.nTimerPeriod = timer.nPeriod;
    return info;
}

std::vector<WindowHandle> TopLevelWindows()
{
    std::vector<WindowHandle> result;
    for (const auto& [hWnd, pImpl] : HeadlessState().windows)
        if (pImpl->pParent == nullptr && !pImpl->bHost)
            result.push_back(hWnd);
    return result;
}

const CFrameBuffer* FrameBufferOf(WindowHandle hWnd)
{
    const CWndImpl* pImpl = HeadlessState().Find(hWnd);
    return pImpl != nullptr ? &pImpl->frame : nullptr;
}

const std::vector<CRect>& LastPresentedRects(WindowHandle hWnd)
{
    static const std::vector<CRect> kNone;
    const CWndImpl* pImpl = HeadlessState().Find(hWnd);
    return pImpl != nullptr ? pImpl->lastPresented : kNone;
}
}   // namespace Headless
