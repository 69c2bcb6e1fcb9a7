#include "saver/SaverWnd.h"

#include "platform/WinApp.h"

CSaverWnd::CSaverWnd() : CSnowWnd(true)
{
}

bool CSaverWnd::CreateFullScreen()
{
    const CRect rect(0, 0, AfxGetSystemMetrics(SM_CXSCREEN), AfxGetSystemMetrics(SM_CYSCREEN));
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
    AfxPostQuitMessage(0);
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
    if (m_ptLast == CPoint(-1, -1))
        m_ptLast = point;
    else if (point != m_ptLast)
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
