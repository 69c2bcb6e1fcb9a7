// Qt windows' events turned into the program's messages (mouse, keys, exposure, closing, timer
// ticks), and their dispatch to the program's handlers or the platform's default handling.

#include "platform/FrameIds.h"
#include "platform/WinApp.h"
#include "platform/Wnd.h"
#include "platform/common/BackEnd.h"
#include "platform/common/WndRouting.h"
#include "platform/qt/QtImpl.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QTimerEvent>

#include <algorithm>
#include <cmath>

namespace
{
// The mouse messages' flags, as Win32 sets them.
constexpr UINT MK_LBUTTON = 0x0001;
constexpr UINT MK_RBUTTON = 0x0002;
constexpr UINT MK_SHIFT = 0x0004;
constexpr UINT MK_CONTROL = 0x0008;
constexpr UINT MK_MBUTTON = 0x0010;

// A mouse position in the window's device pixels, packed as Win32 packs it.
std::intptr_t PointParam(const QPointF& pos, qreal scale)
{
    const auto x = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::floor(pos.x() * scale)));
    const auto y = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::floor(pos.y() * scale)));
    return static_cast<std::intptr_t>(x | (static_cast<std::uint32_t>(y) << 16));
}

UINT MouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    UINT n = 0;
    n |= (buttons & Qt::LeftButton) ? MK_LBUTTON : 0;
    n |= (buttons & Qt::RightButton) ? MK_RBUTTON : 0;
    n |= (buttons & Qt::MiddleButton) ? MK_MBUTTON : 0;
    n |= (modifiers & Qt::ShiftModifier) ? MK_SHIFT : 0;
    n |= (modifiers & Qt::ControlModifier) ? MK_CONTROL : 0;
    return n;
}
}   // namespace

namespace
{
// Another program may hold the keyboard or the pointer for a moment (an open menu): a saver keeps
// trying for a few seconds, as X screen savers do.
constexpr int kGrabTries = 50;
constexpr int kGrabRetryMs = 100;

void GrabSaverInput(WindowHandle hWnd, int nTriesLeft)
{
    CWndImpl* pImpl = QtState().Find(hWnd);
    if (pImpl == nullptr || pImpl->bDestroying || pImpl->bGrabbed || pImpl->pWindow == nullptr || QtWayland::Active())
        return;
    pImpl->bGrabbed = QtX11::GrabInput(hWnd);
    if (!pImpl->bGrabbed && nTriesLeft > 1)
        QTimer::singleShot(kGrabRetryMs, pImpl->pWindow,
                           [hWnd, nTriesLeft]() { GrabSaverInput(hWnd, nTriesLeft - 1); });
}
}   // namespace

CQtWindow::CQtWindow(CWndImpl* pImpl, QWindow* pParent) : QWindow(pParent), m_pImpl(pImpl) {}

bool CQtWindow::event(QEvent* e)
{
    CWndImpl* pImpl = m_pImpl;
    if (pImpl == nullptr || pImpl->bDestroying)
        return QWindow::event(e);
    const WindowHandle hWnd = pImpl->hWnd;
    CWinAppImpl& s = QtState();
    switch (e->type())
    {
    case QEvent::Expose:
        if (isExposed())
        {
            // A saver hears of the user only once it holds the keyboard and the pointer.
            // One that takes no activation leaves the keyboard and the pointer to the saver that does.
            if (pImpl->pParent == nullptr && (pImpl->dwExStyle & (WS_EX_TOPMOST | WS_EX_NOACTIVATE)) == WS_EX_TOPMOST &&
                !pImpl->bGrabbed)
            {
                GrabSaverInput(hWnd, kGrabTries);
                requestActivate();
            }
            pImpl->PostPaint();
            if (!pImpl->bMouseSeen && !QtWayland::Active())
            {
                // Where the pointer is when the window appears is the mouse's first report.
                pImpl->bMouseSeen = true;
                pImpl->Dispatch(WM_MOUSEMOVE, 0, PointParam(mapFromGlobal(QCursor::pos()), devicePixelRatio()));
            }
        }
        return true;
    case QEvent::Resize:
        // A class with these styles (the snow window's) repaints all of itself when its size changes.
        if ((pImpl->nClassStyle & (CS_HREDRAW | CS_VREDRAW)) != 0)
            pImpl->PostPaint();
        return QWindow::event(e);
    case QEvent::Enter:
    {
        // The pointer's position as the window first sees it is the first report of the mouse.
        const auto* pEnter = static_cast<QEnterEvent*>(e);
        pImpl->Dispatch(WM_SETCURSOR);
        if (s.Find(hWnd) != nullptr)
            pImpl->Dispatch(WM_MOUSEMOVE, MouseFlags(pEnter->buttons(), pEnter->modifiers()),
                            PointParam(pEnter->position(), devicePixelRatio()));
        return true;
    }
    case QEvent::MouseMove:
    {
        const auto* pMouse = static_cast<QMouseEvent*>(e);
        pImpl->Dispatch(WM_MOUSEMOVE, MouseFlags(pMouse->buttons(), pMouse->modifiers()),
                        PointParam(pMouse->position(), devicePixelRatio()));
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    {
        const auto* pMouse = static_cast<QMouseEvent*>(e);
        UINT message = 0;
        switch (pMouse->button())
        {
        case Qt::LeftButton: message = WM_LBUTTONDOWN; break;
        case Qt::RightButton: message = WM_RBUTTONDOWN; break;
        case Qt::MiddleButton: message = WM_MBUTTONDOWN; break;
        default: return true;   // wheels and extra buttons have no message of their own here
        }
        pImpl->Dispatch(message, MouseFlags(pMouse->buttons(), pMouse->modifiers()),
                        PointParam(pMouse->position(), devicePixelRatio()));
        return true;
    }
    case QEvent::KeyPress:
    {
        const auto* pKey = static_cast<QKeyEvent*>(e);
        // With Alt held, Win32 reports a key as a system key.
        const UINT message = (pKey->modifiers() & Qt::AltModifier) ? WM_SYSKEYDOWN : WM_KEYDOWN;
        const UINT nChar = pKey->key() < 0x100 ? static_cast<UINT>(pKey->key()) : pKey->nativeVirtualKey() & 0xFFFF;
        const std::intptr_t nFlags = 1 | (pKey->isAutoRepeat() ? (1 << 30) : 0);
        pImpl->Dispatch(message, nChar, nFlags);
        return true;
    }
    case QEvent::Close:
        // The window manager's close goes the way of the system menu's, which a saver may refuse.
        e->ignore();
        pImpl->Dispatch(WM_SYSCOMMAND, SC_CLOSE);
        return true;
    default: return QWindow::event(e);
    }
}

void CQtWindow::timerEvent(QTimerEvent* e)
{
    CWndImpl* pImpl = m_pImpl;
    if (pImpl == nullptr || pImpl->bDestroying || QtState().bQuit)
        return;
    for (const auto& [nID, nQtTimer] : pImpl->timers)
    {
        if (nQtTimer != e->timerId())
            continue;
        // A tick whose handler still runs (a message box inside it) lets the next one pass.
        if (std::find(pImpl->ticking.begin(), pImpl->ticking.end(), nID) != pImpl->ticking.end())
            return;
        const UINT nTick = nID;
        const WindowHandle hWnd = pImpl->hWnd;
        pImpl->ticking.push_back(nTick);
        pImpl->Dispatch(WM_TIMER, nTick);
        if (CWndImpl* pNow = QtState().Find(hWnd); pNow == pImpl)
            std::erase(pImpl->ticking, nTick);
        return;
    }
}

std::intptr_t CWndImpl::Dispatch(UINT message, std::uintptr_t wParam, std::intptr_t lParam)
{
    CWinAppImpl& s = QtState();
    CWnd* p = pWnd;
    const WindowHandle hSelf = hWnd;
    handling.push_back({message, wParam, lParam});
    CWndImpl* pOuter = s.pHandling;
    s.pHandling = this;
    std::intptr_t lResult = 0;
    if (!CWndRouting::CallHandler(p, message, wParam, lParam, &lResult))
        lResult = DefaultHandling(handling.back());
    s.pHandling = pOuter;
    // The handler may have destroyed the window, and with it this object; handles are never reused.
    if (s.Find(hSelf) == this)
        handling.pop_back();
    return lResult;
}

std::intptr_t CWndImpl::DefaultHandling(const Message& msg)
{
    CWinAppImpl& s = QtState();
    switch (msg.message)
    {
    case WM_CLOSE:
        // A dialog closes as Escape and Cancel close it: its owner decides, through IDCANCEL.
        if (bDialog)
            return Dispatch(WM_COMMAND, static_cast<std::uintptr_t>(IDCANCEL) | (BN_CLICKED << 16), 0);
        s.Destroy(this);
        return 0;
    case WM_SYSCOMMAND:
        if ((msg.wParam & 0xFFF0) == SC_CLOSE)
            return Dispatch(WM_CLOSE);
        return 0;
    case WM_SETCURSOR:
        if (pWindow != nullptr && !bHost)
        {
            if (nIDCursor == AFX_IDC_BLANK)
                pWindow->setCursor(Qt::BlankCursor);
            else
                pWindow->unsetCursor();
        }
        return 0;
    case WM_NCACTIVATE: return 1;
    default: return 0;
    }
}
