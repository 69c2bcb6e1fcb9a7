// The full-screen saver: a snow window per monitor, top-most and without a cursor, that ends at the
// user's first key, click or movement.

#include "saver/SaverWnd.h"

#include "platform/WinApp.h"

#include <algorithm>

CSaverWnd::CSaverWnd() : CSnowWnd(true) {}

bool CSaverWnd::CreateFullScreen()
{
    const CRect rect(0, 0, AfxGetSystemMetrics(SM_CXSCREEN), AfxGetSystemMetrics(SM_CYSCREEN));
    m_rcMonitor = rect;
    return Create(WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE, rect, nullptr);
}

void CSaverWnd::OnSysCommand(UINT nID)
{
    // The system asking to start a saver again, or to close through the menu, must not end this one.
    const UINT nCommand = nID & 0xFFF0;
    if (nCommand == SC_SCREENSAVE || nCommand == SC_CLOSE)
        return;
    CSnowWnd::OnSysCommand(nID);
}

void CSaverWnd::OnDestroy()
{
    if (m_bEndsProgram)
        AfxPostQuitMessage(0);
    if (m_pCoverer != nullptr)
        std::erase(m_pCoverer->m_others, this);
    for (CSaverWnd* pOther : m_others)
        pOther->m_pCoverer = nullptr;
    m_others.clear();
    CSnowWnd::OnDestroy();
}

bool CSaverWnd::OnSetCursor()
{
    AfxHideCursor();
    return true;
}

bool CSaverWnd::OnNcActivate(bool bActive)
{
    if (!bActive)
        return false;
    return CSnowWnd::OnNcActivate(bActive);
}

void CSaverWnd::OnActivate(UINT nState)
{
    if (nState == WA_INACTIVE)
        PostMessage(WM_CLOSE);
    CSnowWnd::OnActivate(nState);
}

void CSaverWnd::OnActivateApp(bool bActive)
{
    if (!bActive)
        PostMessage(WM_CLOSE);
    CSnowWnd::OnActivateApp(bActive);
}

void CSaverWnd::OnMouseMove(UINT nFlags, CPoint point)
{
    // The system reports the pointer's position once when the window appears; that is not the user.
    // Every monitor's saver compares with the one first position on the screen, as the pointer may
    // first show over one saver and move on over another.
    CSaverWnd& first = m_pCoverer != nullptr ? *m_pCoverer : *this;
    const CPoint ptScreen(point.x + m_rcMonitor.left, point.y + m_rcMonitor.top);
    if (!first.m_bPointerSeen)
    {
        first.m_ptLast = ptScreen;
        first.m_bPointerSeen = true;
    }
    else if (ptScreen != first.m_ptLast)
        PostMessage(WM_CLOSE);
    CSnowWnd::OnMouseMove(nFlags, point);
}

void CSaverWnd::OnLButtonDown(UINT nFlags, CPoint point)
{
    PostMessage(WM_CLOSE);
    CSnowWnd::OnLButtonDown(nFlags, point);
}

void CSaverWnd::OnMButtonDown(UINT nFlags, CPoint point)
{
    PostMessage(WM_CLOSE);
    CSnowWnd::OnMButtonDown(nFlags, point);
}

void CSaverWnd::OnRButtonDown(UINT nFlags, CPoint point)
{
    PostMessage(WM_CLOSE);
    CSnowWnd::OnRButtonDown(nFlags, point);
}

void CSaverWnd::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    PostMessage(WM_CLOSE);
    CSnowWnd::OnKeyDown(nChar, nRepCnt, nFlags);
}

void CSaverWnd::OnSysKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    PostMessage(WM_CLOSE);
    CSnowWnd::OnSysKeyDown(nChar, nRepCnt, nFlags);
}

bool CSaverWnd::CreateOnMonitor(const CRect& rcMonitor)
{
    m_rcMonitor = rcMonitor;
    return Create(WS_EX_TOPMOST | WS_EX_NOACTIVATE, WS_POPUP | WS_VISIBLE, rcMonitor, nullptr);
}

void CSaverWnd::CoverOtherMonitors()
{
    m_bCoversOthers = true;
    // Monitors showing the same picture (mirrored) need one window between them.
    std::vector<CRect> uncovered;
    for (const CRect& rc : AfxGetMonitorRects())
        if (!rc.IsRectEmpty() && rc != m_rcMonitor &&
            std::find(uncovered.begin(), uncovered.end(), rc) == uncovered.end())
            uncovered.push_back(rc);
    // A window whose monitor is gone, or has moved or changed its size, goes without ending the saver.
    for (CSaverWnd* pOther : std::vector<CSaverWnd*>(m_others))
    {
        if (const auto it = std::find(uncovered.begin(), uncovered.end(), pOther->m_rcMonitor); it != uncovered.end())
        {
            uncovered.erase(it);
            continue;
        }
        pOther->m_bEndsProgram = false;
        pOther->DestroyWindow();
    }
    for (const CRect& rc : uncovered)
    {
        auto* pOther = new CSaverWnd;
        // One that the system refuses has deleted itself; the others still cover their monitors.
        if (!pOther->CreateOnMonitor(rc))
            continue;
        pOther->m_pCoverer = this;
        m_others.push_back(pOther);
    }
}

void CSaverWnd::OnDisplayChange()
{
    if (m_bCoversOthers)
        CoverOtherMonitors();
    CSnowWnd::OnDisplayChange();
}
