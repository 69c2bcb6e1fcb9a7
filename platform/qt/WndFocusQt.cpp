// The keyboard focus on Qt: which of the program's windows and controls holds it, as QWindow and
// Qt Widgets report it, moved there when the program asks, and the kill-focus news it gives.

#include "platform/Wnd.h"
#include "platform/common/BackEnd.h"
#include "platform/qt/QtImpl.h"

#include <QWidget>

void CWinAppImpl::FocusChanged(QWindow* pWindow)
{
    // The focus among a dialog's widgets is Qt Widgets' to report (WidgetFocusChanged).
    if (const CWndImpl* pFocus = Find(hFocus); pFocus != nullptr && pFocus->pWidget != nullptr)
        return;
    // Found by its QWindow: asking a window for its handle could make one for a window on its way out.
    hFocus = 0;
    for (const auto& [hWnd, pImpl] : windows)
        if (pWindow != nullptr && pImpl->pWindow == pWindow && !pImpl->bHost)
            hFocus = hWnd;
}

CWndImpl* CWinAppImpl::FindWidget(const QWidget* pWidget) const
{
    if (pWidget == nullptr)
        return nullptr;
    for (const auto& [hWnd, pImpl] : windows)
        if (pImpl->pWidget == pWidget && !pImpl->bDestroying)
            return pImpl.get();
    return nullptr;
}

void CWinAppImpl::NativeFocus(CWndImpl* pImpl, CWndImpl* pOld)
{
    const bool bOuter = bMovingFocus;
    bMovingFocus = true;
    if (pImpl != nullptr && pImpl->pWidget != nullptr)
    {
        // A window that is not active keeps the control for when it is.
        pImpl->pWidget->setFocus(Qt::OtherFocusReason);
        if (pImpl->pWidget->isVisible() && !pImpl->pWidget->isActiveWindow())
            pImpl->pWidget->activateWindow();
    }
    else if (pImpl != nullptr && pImpl->pWindow != nullptr)
        pImpl->pWindow->requestActivate();
    else if (pImpl == nullptr && pOld != nullptr && pOld->pWidget != nullptr)
        pOld->pWidget->clearFocus();
    bMovingFocus = bOuter;
}

void CWinAppImpl::WidgetFocusChanged(QWidget* pNow)
{
    // While a message box is open the program's windows refuse the focus: Qt's moves among them are
    // no news then, and the box that closes puts the focus back itself.
    if (bMovingFocus || pApp->m_nOpenMessageBoxes > 0)
        return;
    CWndImpl* pNew = FindWidget(pNow);
    CWndImpl* pOld = Find(hFocus);
    if (pNew == pOld || (pNew == nullptr && (pOld == nullptr || pOld->pWidget == nullptr)))
        return;
    hFocus = pNew != nullptr ? pNew->hWnd : 0;
    NotifyKillFocus(pOld);
}

CWnd* AfxSetFocus(CWnd* pWnd)
{
    // Another program's window takes the focus only from that program, as on Windows.
    CWndImpl* pImpl = CWndImpl::Of(pWnd);
    if (pImpl == nullptr || pImpl->bHost || (pImpl->pWindow == nullptr && pImpl->pWidget == nullptr))
        return nullptr;
    CWnd* pOld = CWnd::GetFocus();
    QtState().SetFocusTo(pImpl);
    return pOld;
}

CWnd* CWnd::GetFocus()
{
    CWinAppImpl& s = QtState();
    CWndImpl* pImpl = s.Find(s.hFocus);
    return pImpl != nullptr && !pImpl->bDestroying ? pImpl->pWnd : nullptr;
}
