// Qt monitors: every screen Qt reports, in the screen's own pixels, and the windows' news of them
// coming, going and changing.

#include "platform/WinApp.h"
#include "platform/qt/QtImpl.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <cstdint>

#include <vector>

namespace
{
// Qt keeps a screen's top left corner in the screen's own pixels and divides only its size.
CRect DeviceRect(const QScreen* pScreen)
{
    const QRect rc = pScreen->geometry();
    const qreal scale = pScreen->devicePixelRatio();
    // A Wayland compositor lays outputs side by side in its own units: a scaled output counted in
    // its pixels would reach into its neighbour's place. Its window has the output's pixels anyway.
    if (QtWayland::Active())
        return CRect(rc.x(), rc.y(), rc.x() + rc.width(), rc.y() + rc.height());
    return CRect(rc.x(), rc.y(), rc.x() + QtToDevice(rc.width(), scale), rc.y() + QtToDevice(rc.height(), scale));
}

// Delivers the message to each window of the program that stands on the screen: top-level ones,
// and with bInHosts those inside another program's window too.
void DispatchToScreenWindows(UINT message, std::uintptr_t wParam, bool bInHosts)
{
    CWinAppImpl& s = QtState();
    std::vector<WindowHandle> windows;
    for (const auto& [hWnd, pImpl] : s.windows)
        if (!pImpl->bHost && (pImpl->pParent == nullptr || (bInHosts && pImpl->pParent->bHost)))
            windows.push_back(hWnd);
    // A handler may make or end windows meanwhile: each is looked up as its turn comes.
    for (const WindowHandle hWnd : windows)
        if (CWndImpl* pImpl = s.Find(hWnd); pImpl != nullptr && !pImpl->bDestroying && !s.bQuit)
            pImpl->Dispatch(message, wParam, 0);
}

// Tells every top-level window of the program, once Qt has settled its list of screens.
void PostDisplayChange()
{
    CWinAppImpl& s = QtState();
    if (!s.pPoster)
        return;
    QMetaObject::invokeMethod(
        s.pPoster.get(), []() { DispatchToScreenWindows(WM_DISPLAYCHANGE, 32, false); }, Qt::QueuedConnection);
}

// X tells no one when DPMS puts the monitor to sleep or wakes it, so the back end asks the server
// twice a second (one small request) and tells the windows of each change. It never sets DPMS.
constexpr int kDisplayPowerPollMs = 500;

void WatchDisplayPower()
{
    bool bOn = true;
    if (!QtX11::DisplayPowered(&bOn))
        return;   // no DPMS: the monitor is on whenever the server runs
    auto* pTimer = new QTimer(QtState().pPoster.get());
    pTimer->setInterval(kDisplayPowerPollMs);
    QObject::connect(pTimer, &QTimer::timeout, [pTimer, bWasOn = bOn]() mutable {
        bool bNowOn = true;
        if (!QtX11::DisplayPowered(&bNowOn))
        {
            pTimer->stop();
            return;
        }
        if (bNowOn == bWasOn)
            return;
        bWasOn = bNowOn;
        DispatchToScreenWindows(WM_DISPLAYPOWER, bNowOn ? 1 : 0, true);
    });
    pTimer->start();
    // Started while the monitor sleeps (a saver run by a timer of its own): the windows made next hear it first.
    if (!bOn)
        QMetaObject::invokeMethod(
            pTimer, []() { DispatchToScreenWindows(WM_DISPLAYPOWER, 0, true); }, Qt::QueuedConnection);
}

void WatchScreen(QScreen* pScreen)
{
    QObject::connect(pScreen, &QScreen::geometryChanged, QtState().pPoster.get(), []() { PostDisplayChange(); });
}
}   // namespace

std::vector<CRect> AfxGetMonitorRects()
{
    std::vector<CRect> rects;
    if (QtEnsureApplication() == nullptr)
        return rects;
    const QScreen* pPrimary = QGuiApplication::primaryScreen();
    if (pPrimary != nullptr)
        rects.push_back(DeviceRect(pPrimary));
    for (const QScreen* pScreen : QGuiApplication::screens())
        if (pScreen != pPrimary)
            rects.push_back(DeviceRect(pScreen));
    return rects;
}

void QtWatchScreens()
{
    CWinAppImpl& s = QtState();
    for (QScreen* pScreen : QGuiApplication::screens())
        WatchScreen(pScreen);
    QObject::connect(s.pQApp.get(), &QGuiApplication::screenAdded, s.pPoster.get(), [](QScreen* pScreen) {
        WatchScreen(pScreen);
        PostDisplayChange();
    });
    QObject::connect(s.pQApp.get(), &QGuiApplication::screenRemoved, s.pPoster.get(),
                     [](QScreen*) { PostDisplayChange(); });
    QObject::connect(s.pQApp.get(), &QGuiApplication::primaryScreenChanged, s.pPoster.get(),
                     [](QScreen*) { PostDisplayChange(); });
    WatchDisplayPower();
}

QRect QtTopLevelGeometry(const CRect& rc)
{
    // On the screen whose pixels hold the window's top left corner, as Qt counts there.
    for (const QScreen* pScreen : QGuiApplication::screens())
    {
        const CRect rcScreen = DeviceRect(pScreen);
        if (!rcScreen.PtInRect(CPoint(rc.left, rc.top)))
            continue;
        const qreal scale = pScreen->devicePixelRatio();
        return QRect(rcScreen.left + qRound((rc.left - rcScreen.left) / scale),
                     rcScreen.top + qRound((rc.top - rcScreen.top) / scale), qRound(rc.Width() / scale),
                     qRound(rc.Height() / scale));
    }
    return QtToLogical(rc, QtScaleOf(nullptr));
}
