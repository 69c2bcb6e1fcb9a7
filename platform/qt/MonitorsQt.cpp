// Qt monitors: every screen Qt reports, in the screen's own pixels, and the windows' news of them
// coming, going and changing.

#include "platform/WinApp.h"
#include "platform/qt/QtImpl.h"

#include <QGuiApplication>
#include <QScreen>

#include <vector>

namespace
{
// Qt keeps a screen's top left corner in the screen's own pixels and divides only its size.
CRect DeviceRect(const QScreen* pScreen)
{
    const QRect rc = pScreen->geometry();
    const qreal scale = pScreen->devicePixelRatio();
    return CRect(rc.x(), rc.y(), rc.x() + QtToDevice(rc.width(), scale), rc.y() + QtToDevice(rc.height(), scale));
}

// Tells every top-level window of the program, once Qt has settled its list of screens.
void PostDisplayChange()
{
    CWinAppImpl& s = QtState();
    if (!s.pPoster)
        return;
    QMetaObject::invokeMethod(
        s.pPoster.get(),
        []() {
            CWinAppImpl& state = QtState();
            std::vector<WindowHandle> tops;
            for (const auto& [hWnd, pImpl] : state.windows)
                if (!pImpl->bHost && pImpl->pParent == nullptr)
                    tops.push_back(hWnd);
            // A handler may make or end windows meanwhile: each is looked up as its turn comes.
            for (const WindowHandle hWnd : tops)
                if (CWndImpl* pImpl = state.Find(hWnd); pImpl != nullptr && !pImpl->bDestroying && !state.bQuit)
                    pImpl->Dispatch(WM_DISPLAYCHANGE, 32, 0);
        },
        Qt::QueuedConnection);
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
    QObject::connect(s.pQApp.get(), &QGuiApplication::screenRemoved, s.pPoster.get(), [](QScreen*) { PostDisplayChange(); });
    QObject::connect(s.pQApp.get(), &QGuiApplication::primaryScreenChanged, s.pPoster.get(), [](QScreen*) { PostDisplayChange(); });
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
        return QRect(rcScreen.left + qRound((rc.left - rcScreen.left) / scale), rcScreen.top + qRound((rc.top - rcScreen.top) / scale),
                     qRound(rc.Width() / scale), qRound(rc.Height() / scale));
    }
    return QtToLogical(rc, QtScaleOf(nullptr));
}
