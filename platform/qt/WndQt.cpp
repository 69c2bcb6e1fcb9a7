// Qt windows: a QWindow per window of the program, made, measured, moved and destroyed for the
// program (the CWnd members), and windows of other programs as hosts the program's windows live in.

#include "platform/FrameIds.h"
#include "platform/WinApp.h"
#include "platform/Wnd.h"
#include "platform/common/BackEnd.h"
#include "platform/qt/QtImpl.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace
{
// A top-level window's activation as Windows reports it: the frame, the window, the application.
void ActivationChanged(CWndImpl* pImpl, bool bActive)
{
    // Only a window that has been active can lose activation.
    if (pImpl->bActive == bActive || pImpl->pParent != nullptr)
        return;
    pImpl->bActive = bActive;
    CWinAppImpl& s = QtState();
    const WindowHandle hWnd = pImpl->hWnd;
    pImpl->Dispatch(WM_NCACTIVATE, bActive ? 1 : 0);
    if (s.Find(hWnd) == nullptr)
        return;
    pImpl->Dispatch(WM_ACTIVATE, bActive ? 1 : WA_INACTIVE);
    if (s.Find(hWnd) == nullptr)
        return;
    pImpl->Dispatch(WM_ACTIVATEAPP, bActive ? 1 : 0);
}
}   // namespace

qreal QtScaleOf(const QWindow* pWindow)
{
    if (pWindow != nullptr)
        return pWindow->devicePixelRatio();
    return qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
}

int QtToDevice(qreal v, qreal scale)
{
    return qRound(v * scale);
}

QRect QtToLogical(const CRect& rc, qreal scale)
{
    return QRect(qRound(rc.left / scale), qRound(rc.top / scale), qRound(rc.Width() / scale),
                 qRound(rc.Height() / scale));
}

QWindow* CWndImpl::NativeParent() const
{
    if (bHost)
        return pForeign.get();
    if (pWindow != nullptr)
        return pWindow;
    return pWidget != nullptr && pWidget->isWindow() ? pWidget->windowHandle() : nullptr;
}

CRect CWndImpl::ClientRect() const
{
    if (bHost)
        return rcHostClient;
    if (pWidget != nullptr)
    {
        const qreal scale = pWidget->devicePixelRatioF();
        return CRect(0, 0, QtToDevice(pWidget->width(), scale), QtToDevice(pWidget->height(), scale));
    }
    if (pWindow == nullptr)
        return CRect();
    // The framebuffer covers every device pixel of the window, whatever Qt's scale factor.
    const qreal scale = QtScaleOf(pWindow);
    return CRect(0, 0, QtToDevice(pWindow->width(), scale), QtToDevice(pWindow->height(), scale));
}

QPoint CWndImpl::ClientOrigin() const
{
    if (pWidget != nullptr)
    {
        const qreal scale = pWidget->devicePixelRatioF();
        const QPoint origin = pWidget->mapToGlobal(QPoint(0, 0));
        return QPoint(QtToDevice(origin.x(), scale), QtToDevice(origin.y(), scale));
    }
    QWindow* pNative = NativeParent();
    if (pNative == nullptr)
        return QPoint();
    const qreal scale = QtScaleOf(pNative);
    const QPoint origin = pNative->mapToGlobal(QPoint(0, 0));
    return QPoint(QtToDevice(origin.x(), scale), QtToDevice(origin.y(), scale));
}

void CWndImpl::NativeTeardown()
{
    CWinAppImpl& s = QtState();
    if (s.pHandling == this)
        s.pHandling = nullptr;
    if (bHost)
        return;   // the record frees the host's foreign QWindow
    if (pWidget != nullptr)
    {
        // A control's widget goes with its dialog's; a dialog's window goes once the loop is back.
        if (bDialog)
        {
            if (pModalLoop != nullptr)
                pModalLoop->exit();
            pWidget->hide();
            pWidget->deleteLater();
        }
        pWidget = nullptr;
    }
    // The QWindow may be the one whose event is being handled: it goes once the loop is back.
    if (pWindow != nullptr)
    {
        for (const auto& [nID, nQtTimer] : timers)
            pWindow->killTimer(nQtTimer);
        pWindow->Detach();
        pWindow->hide();
        pWindow->deleteLater();
    }
    pPresenter.reset();
    pWaylandPresenter.reset();
}

CWndImpl* CWinAppImpl::Host(WindowHandle hWnd)
{
    if (CWndImpl* pImpl = Find(hWnd); pImpl != nullptr)
        return pImpl->bDestroying ? nullptr : pImpl;
    CRect rcClient;
    if (hWnd == 0 || hWnd > 0xFFFFFFFFu || QtEnsureApplication() == nullptr || !QtX11::Watch(hWnd, &rcClient))
        return nullptr;
    auto pImpl = std::make_unique<CWndImpl>();
    pImpl->hWnd = hWnd;
    pImpl->bHost = true;
    pImpl->rcHostClient = rcClient;
    pImpl->pForeign.reset(QWindow::fromWinId(static_cast<WId>(hWnd)));
    pImpl->pOwnObject = std::make_unique<CWnd>();
    CWndImpl::Attach(pImpl->pOwnObject.get(), pImpl.get());
    pImpl->pWnd = pImpl->pOwnObject.get();
    return windows.emplace(hWnd, std::move(pImpl)).first->second.get();
}

void CWinAppImpl::HostGone(WindowHandle hWnd)
{
    if (CWndImpl* pImpl = Find(hWnd); pImpl != nullptr && pImpl->bHost)
        Destroy(pImpl);
}

void CWinAppImpl::HostResized(WindowHandle hWnd, int cx, int cy)
{
    CWndImpl* pImpl = Find(hWnd);
    if (pImpl == nullptr || !pImpl->bHost || pImpl->bDestroying)
        return;
    // A preview covers its host's client area, whatever size the host takes.
    const CRect rcOld = pImpl->rcHostClient;
    pImpl->rcHostClient = CRect(0, 0, cx, cy);
    for (CWndImpl* pChild : pImpl->children)
    {
        if (pChild->pWindow != nullptr && pChild->pWindow->position() == QPoint(0, 0) && pChild->ClientRect() == rcOld)
            pChild->pWindow->setGeometry(QtToLogical(pImpl->rcHostClient, QtScaleOf(pChild->pWindow)));
    }
}

bool CWnd::CreateEx(UINT dwExStyle, const char* lpszClassName, const char* lpszWindowName, UINT dwStyle,
                    const CRect& rect, CWnd* pParentWnd, UINT nID)
{
    if (m_pImpl != nullptr)
        return false;
    CWndImpl* pParent = CWndImpl::Of(pParentWnd);
    if (QtEnsureApplication() == nullptr || (pParentWnd != nullptr && (pParent == nullptr || pParent->bDestroying)) ||
        rect.IsRectEmpty())
    {
        CWndImpl::CallOnNcDestroy(this);
        return false;
    }
    CWinAppImpl& s = QtState();

    auto pImpl = std::make_unique<CWndImpl>();
    pImpl->pWnd = this;
    pImpl->pParent = pParent;
    pImpl->dwStyle = dwStyle;
    pImpl->dwExStyle = dwExStyle;
    pImpl->nID = static_cast<int>(nID);
    pImpl->text = lpszWindowName != nullptr ? lpszWindowName : "";
    s.ApplyClass(pImpl.get(), lpszClassName);

    auto* pWindow = new CQtWindow(pImpl.get(), pParent != nullptr ? pParent->NativeParent() : nullptr);
    pImpl->pWindow = pWindow;
    Qt::WindowFlags flags = pParent != nullptr && (dwStyle & WS_CHILD) != 0 ? Qt::SubWindow : Qt::Window;
    if ((dwStyle & WS_POPUP) != 0)
        flags |= Qt::FramelessWindowHint;
    // A top-most pop-up is a screen saver's: above everything, with no window manager in between.
    if ((dwExStyle & WS_EX_TOPMOST) != 0)
        flags |= Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint;
    if ((dwExStyle & WS_EX_NOACTIVATE) != 0)
        flags |= Qt::WindowDoesNotAcceptFocus;
    // A child of the root window (xscreensaver's -root without its own window) is a top-level
    // window to X: no window manager may frame or move it either.
    if (pParent != nullptr && pParent->bHost && pParent->hWnd == QtX11::RootWindow())
        flags |= Qt::X11BypassWindowManagerHint;
    // A preview inside a dialog never takes the focus from the dialog's controls.
    if (pParent != nullptr && pParent->pWidget != nullptr)
        flags |= Qt::WindowDoesNotAcceptFocus;
    pWindow->setFlags(flags);
    pWindow->setGeometry(pParent != nullptr ? QtToLogical(rect, QtScaleOf(pParent->NativeParent()))
                                            : QtTopLevelGeometry(rect));
    if (pImpl->nIDCursor == AFX_IDC_BLANK)
        pWindow->setCursor(Qt::BlankCursor);
    if (QtWayland::Active() && pParent == nullptr && (dwExStyle & WS_EX_TOPMOST) != 0)
        QtWayland::PrepareSaverWindow(pWindow, rect);
    pWindow->create();
    pImpl->hWnd = static_cast<WindowHandle>(pWindow->winId());
    // X refuses some parents (a host that only takes input, or one gone a moment ago): then there
    // is no window, and the program must hear so rather than run on without one.
    if (pImpl->hWnd == 0 || (!QtWayland::Active() && !QtX11::Exists(pImpl->hWnd)))
    {
        pWindow->Detach();
        pWindow->deleteLater();
        CWndImpl::CallOnNcDestroy(this);
        return false;
    }
    if (QtWayland::Active())
        pImpl->pWaylandPresenter = std::make_unique<CWaylandPresenter>(pWindow);
    else
        pImpl->pPresenter = std::make_unique<CXPresenter>(pImpl->hWnd);
    QObject::connect(pWindow, &QWindow::activeChanged, pWindow, [pWindow]() {
        if (CWndImpl* p = QtState().Find(static_cast<WindowHandle>(pWindow->winId()));
            p != nullptr && p->pWindow == pWindow)
            ActivationChanged(p, pWindow->isActive());
    });

    m_pImpl = pImpl.get();
    if (pParent != nullptr)
        pParent->children.push_back(m_pImpl);
    const WindowHandle hWnd = pImpl->hWnd;
    s.windows.emplace(hWnd, std::move(pImpl));

    if (m_pImpl->Dispatch(WM_CREATE) == -1)
    {
        if (CWndImpl* pNow = s.Find(hWnd); pNow != nullptr)
            s.Destroy(pNow);
        return false;
    }
    CWndImpl* pNow = s.Find(hWnd);
    if (pNow == nullptr)
        return false;
    if ((dwStyle & WS_VISIBLE) != 0)
        pNow->pWindow->show();
    return true;
}

CWnd* CWnd::FromHandle(WindowHandle hWnd)
{
    CWndImpl* pImpl = QtState().Host(hWnd);
    return pImpl != nullptr ? pImpl->pWnd : nullptr;
}

void CWnd::GetWindowRect(CRect* lpRect) const
{
    if (m_pImpl == nullptr || (m_pImpl->NativeParent() == nullptr && m_pImpl->pWidget == nullptr))
    {
        *lpRect = CRect();
        return;
    }
    // A top-level window's rectangle takes in the frame a window manager put around it.
    const bool bTopWidget = m_pImpl->pWidget != nullptr && m_pImpl->pWidget->isWindow();
    if (bTopWidget || (!m_pImpl->bHost && m_pImpl->pParent == nullptr && m_pImpl->pWidget == nullptr))
    {
        const QRect rc = bTopWidget ? m_pImpl->pWidget->frameGeometry() : m_pImpl->pWindow->frameGeometry();
        const qreal scale = bTopWidget ? m_pImpl->pWidget->devicePixelRatioF() : QtScaleOf(m_pImpl->pWindow);
        *lpRect = CRect(QtToDevice(rc.x(), scale), QtToDevice(rc.y(), scale), QtToDevice(rc.x() + rc.width(), scale),
                        QtToDevice(rc.y() + rc.height(), scale));
        return;
    }
    const QPoint origin = m_pImpl->ClientOrigin();
    const CRect rcClient = m_pImpl->ClientRect();
    *lpRect = CRect(origin.x(), origin.y(), origin.x() + rcClient.Width(), origin.y() + rcClient.Height());
}

void CWnd::ScreenToClient(CRect* lpRect) const
{
    if (m_pImpl == nullptr || (m_pImpl->NativeParent() == nullptr && m_pImpl->pWidget == nullptr))
        return;
    const QPoint origin = m_pImpl->ClientOrigin();
    *lpRect = CRect(lpRect->left - origin.x(), lpRect->top - origin.y(), lpRect->right - origin.x(),
                    lpRect->bottom - origin.y());
}

CWnd* CWnd::GetParent() const
{
    return m_pImpl != nullptr && m_pImpl->pParent != nullptr ? FromHandle(m_pImpl->pParent->hWnd) : nullptr;
}

bool CWnd::IsIconic() const
{
    const QWindow* pNative = m_pImpl != nullptr ? m_pImpl->NativeParent() : nullptr;
    return pNative != nullptr && (pNative->windowStates() & Qt::WindowMinimized) != 0;
}

void CWnd::CenterWindow()
{
    if (m_pImpl != nullptr && m_pImpl->pWidget != nullptr && m_pImpl->pWidget->isWindow())
    {
        QWidget* pWidget = m_pImpl->pWidget;
        const QScreen* pScreen = pWidget->screen() != nullptr ? pWidget->screen() : QGuiApplication::primaryScreen();
        if (pScreen == nullptr)
            return;
        const QRect rcArea = pScreen->availableGeometry();
        const QRect rcFrame = pWidget->frameGeometry();
        pWidget->move(rcArea.x() + (rcArea.width() - rcFrame.width()) / 2,
                      rcArea.y() + (rcArea.height() - rcFrame.height()) / 2);
        return;
    }
    if (m_pImpl == nullptr || m_pImpl->bHost || m_pImpl->pWindow == nullptr)
        return;
    QWindow* pWindow = m_pImpl->pWindow;
    // A window inside another centres over its parent's client area, any other over the part of
    // its screen that panels and docks leave free.
    if (m_pImpl->pParent != nullptr)
    {
        const CRect rcArea = m_pImpl->pParent->ClientRect();
        const CRect rcClient = m_pImpl->ClientRect();
        const qreal scale = QtScaleOf(pWindow);
        pWindow->setPosition(qRound((rcArea.left + (rcArea.Width() - rcClient.Width()) / 2) / scale),
                             qRound((rcArea.top + (rcArea.Height() - rcClient.Height()) / 2) / scale));
        return;
    }
    const QScreen* pScreen = pWindow->screen() != nullptr ? pWindow->screen() : QGuiApplication::primaryScreen();
    if (pScreen == nullptr)
        return;
    const QRect rcArea = pScreen->availableGeometry();
    const QRect rcFrame = pWindow->frameGeometry();
    pWindow->setFramePosition(QPoint(rcArea.x() + (rcArea.width() - rcFrame.width()) / 2,
                                     rcArea.y() + (rcArea.height() - rcFrame.height()) / 2));
}

bool CWnd::PostMessage(UINT message, std::uintptr_t wParam, std::intptr_t lParam)
{
    if (m_pImpl == nullptr || m_pImpl->bHost)
        return false;
    QtState().Post(m_pImpl->hWnd, {message, wParam, lParam});
    return true;
}

std::intptr_t CWnd::SendMessage(UINT message, std::uintptr_t wParam, std::intptr_t lParam)
{
    return m_pImpl != nullptr && !m_pImpl->bHost ? m_pImpl->Dispatch(message, wParam, lParam) : 0;
}

UINT CWnd::SetTimer(UINT nIDEvent, UINT nElapse)
{
    if (m_pImpl == nullptr || m_pImpl->pWindow == nullptr || m_pImpl->bHost)
        return 0;
    const UINT nPeriod = AfxTimerPeriod(nElapse);
    if (const auto it = m_pImpl->timers.find(nIDEvent); it != m_pImpl->timers.end())
        m_pImpl->pWindow->killTimer(it->second);
    const int nQtTimer = m_pImpl->pWindow->startTimer(static_cast<int>(nPeriod), Qt::PreciseTimer);
    if (nQtTimer == 0)
    {
        m_pImpl->timers.erase(nIDEvent);
        return 0;
    }
    m_pImpl->timers[nIDEvent] = nQtTimer;
    return nIDEvent != 0 ? nIDEvent : 1;
}

bool CWnd::KillTimer(UINT nIDEvent)
{
    if (m_pImpl == nullptr || m_pImpl->pWindow == nullptr || m_pImpl->bHost)
        return false;
    const auto it = m_pImpl->timers.find(nIDEvent);
    if (it == m_pImpl->timers.end())
        return false;
    m_pImpl->pWindow->killTimer(it->second);
    m_pImpl->timers.erase(it);
    return true;
}

void CWnd::Invalidate()
{
    if (m_pImpl != nullptr && !m_pImpl->bHost)
        m_pImpl->PostPaint();
}

void CWnd::SetWindowText(const std::string& text)
{
    if (m_pImpl == nullptr)
        return;
    m_pImpl->text = text;
    if (m_pImpl->pWidget != nullptr)
    {
        QtSetWidgetText(m_pImpl, text);
        return;
    }
    if (!m_pImpl->bHost && m_pImpl->pParent == nullptr && m_pImpl->pWindow != nullptr)
        m_pImpl->pWindow->setTitle(QString::fromStdString(text));
}

std::string CWnd::GetWindowText() const
{
    if (m_pImpl != nullptr && m_pImpl->pWidget != nullptr)
        return QtWidgetText(m_pImpl);
    return m_pImpl != nullptr ? m_pImpl->text : std::string();
}

#include "platform/common/WndRecordMembers.inl"
