// Kelvane on a Wayland compositor, through Qt's Wayland platform: which platform a run uses, the
// compositor's presence and its end, a saver window full-screen on its output, and the snow put
// into the window's shared-memory buffers with only the changed rectangles damaged.
//
// Saving and settings run natively on Wayland; preview and xscreensaver's window options name an
// X window to draw into, so they stay on X11 (Xwayland in a Wayland session).

#include "platform/qt/QtImpl.h"

#include <QBackingStore>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QScreen>

#include <wayland-client.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace
{
bool StartsWithWayland(const QByteArray& platform)
{
    return platform.startsWith("wayland");
}

QtMessageHandler g_previousHandler = nullptr;

// Qt's Wayland platform sends a window's cursor to the compositor when the window sets it, not
// when the pointer enters: a saver's blank cursor is set again on each entry, or the arrow stays.
class CBlankCursorOnEntry : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* pObject, QEvent* e) override
    {
        auto* pWindow = qobject_cast<QWindow*>(pObject);
        if (e->type() == QEvent::Enter && pWindow != nullptr && pWindow->cursor().shape() == Qt::BlankCursor)
        {
            pWindow->unsetCursor();
            pWindow->setCursor(Qt::BlankCursor);
        }
        return false;
    }
};

// Qt's Wayland platform ends the process on its own when the connection breaks, with a warning
// and a status of its choosing. The program's own end is that of an X server gone: one clear line
// and status 1.
void CompositorGoneHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtWarningMsg &&
        (text.startsWith(QLatin1String("The Wayland connection broke")) ||
         text.startsWith(QLatin1String("The Wayland connection experienced a fatal error"))))
    {
        std::fputs("kelvane: the Wayland compositor went away\n", stderr);
        std::fflush(nullptr);
        _exit(kExitNoDisplay);
    }
    if (g_previousHandler != nullptr)
        g_previousHandler(type, context, text);
}
}   // namespace

namespace QtWayland
{
bool Chosen()
{
    return StartsWithWayland(qgetenv("QT_QPA_PLATFORM"));
}

bool Active()
{
    return qGuiApp != nullptr && QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool HaveCompositor()
{
    if (wl_display* pDisplay = wl_display_connect(nullptr); pDisplay != nullptr)
    {
        wl_display_disconnect(pDisplay);
        return true;
    }
    const char* pszWayland = std::getenv("WAYLAND_DISPLAY");
    if (pszWayland == nullptr || *pszWayland == '\0')
        std::fputs("kelvane: no Wayland compositor: WAYLAND_DISPLAY is not set\n", stderr);
    else
        std::fprintf(stderr, "kelvane: WAYLAND_DISPLAY is %s, but no Wayland compositor answers there\n", pszWayland);
    return false;
}

void WatchCompositor()
{
    if (g_previousHandler == nullptr)
        g_previousHandler = qInstallMessageHandler(CompositorGoneHandler);
}

void PrepareSaverWindow(QWindow* pWindow, const CRect& rc)
{
    // A client cannot place its windows: the saver asks for its output, full screen there, and the
    // compositor gives it the output's size.
    for (QScreen* pScreen : QGuiApplication::screens())
    {
        const QRect rcScreen = pScreen->geometry();
        if (rcScreen.contains(rc.left, rc.top))
        {
            pWindow->setScreen(pScreen);
            break;
        }
    }
    pWindow->setWindowStates(Qt::WindowFullScreen);
    pWindow->installEventFilter(new CBlankCursorOnEntry(pWindow));
    // Qt asks for full screen when the window's role is made only if it knows the output by then:
    // shown, it asks again.
    QObject::connect(pWindow, &QWindow::visibleChanged, pWindow, [pWindow](bool bVisible) {
        if (bVisible)
            pWindow->setWindowStates(Qt::WindowFullScreen);
    });
}
}   // namespace QtWayland

CWaylandPresenter::CWaylandPresenter(QWindow* pWindow) : m_pWindow(pWindow), m_store(std::make_unique<QBackingStore>(pWindow))
{
}

CWaylandPresenter::~CWaylandPresenter() = default;

void CWaylandPresenter::Put(const CFrameBuffer& frame, const std::vector<CRect>& rects, bool bWhole)
{
    // An output the compositor does not show (Qt hears no frame callbacks) gets nothing drawn.
    if (rects.empty() || !m_pWindow->isExposed())
        return;
    if (m_store->size() != m_pWindow->size())
    {
        m_store->resize(m_pWindow->size());
        bWhole = true;
    }
    const qreal scale = m_pWindow->devicePixelRatio();
    const CRect rcFrame(0, 0, frame.Width(), frame.Height());
    // Qt damages the window in its own units: each rectangle grows to whole units, and the pixels
    // of that growth are written too, so nothing damaged holds stale pixels.
    QRegion region;
    std::vector<CRect> device;
    const std::vector<CRect> whole{rcFrame};
    for (const CRect& rcAny : bWhole ? whole : rects)
    {
        const CRect rc = rcAny.Intersect(rcFrame);
        if (rc.IsRectEmpty())
            continue;
        const int l = static_cast<int>(std::floor(rc.left / scale));
        const int t = static_cast<int>(std::floor(rc.top / scale));
        const int r = static_cast<int>(std::ceil(rc.right / scale));
        const int b = static_cast<int>(std::ceil(rc.bottom / scale));
        region += QRect(l, t, r - l, b - t);
        device.push_back(CRect(qRound(l * scale), qRound(t * scale), qRound(r * scale), qRound(b * scale)));
    }
    if (region.isEmpty())
        return;
    m_store->beginPaint(region);
    auto* pImage = dynamic_cast<QImage*>(m_store->paintDevice());
    if (pImage != nullptr && pImage->depth() == 32)
    {
        const CRect rcImage(0, 0, pImage->width(), pImage->height());
        for (const CRect& rcDevice : device)
        {
            const CRect rc = rcDevice.Intersect(rcImage);
            for (int y = rc.top; y < rc.bottom; ++y)
            {
                auto* pDst = reinterpret_cast<std::uint32_t*>(pImage->scanLine(y));
                const std::uint64_t* pSrc = y < frame.Height() ? frame.Row(y) : nullptr;
                for (int x = rc.left; x < rc.right; ++x)
                {
                    const bool bWhite = pSrc != nullptr && x < frame.Width() && ((pSrc[x >> 6] >> (x & 63)) & 1u) != 0;
                    pDst[x] = bWhite ? 0xFFFFFFFFu : 0xFF000000u;
                }
            }
        }
    }
    m_store->endPaint();
    m_store->flush(region);
}
