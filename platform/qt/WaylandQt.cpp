// Kelvane on a Wayland compositor, through Qt's Wayland platform: which platform a run uses, the
// compositor's presence and its end, a saver window full-screen on its output, and the snow put
// into shared-memory buffers of our own on the window's surface, only the changed rectangles
// written and damaged. (Qt's backing store copies the whole last buffer into the next whenever the
// compositor still holds it, as a compositor that reads client memory directly does until the next
// commit: at 1920 x 1080 that was 8 MB a frame, most of the program's time.)
//
// Saving and settings run natively on Wayland; preview and xscreensaver's window options name an
// X window to draw into, so they stay on X11 (Xwayland in a Wayland session).

#include "platform/qt/QtImpl.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <qpa/qplatformnativeinterface.h>

#include <wayland-client.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <sys/mman.h>
#include <unistd.h>

namespace
{
bool StartsWithWayland(const QByteArray& platform)
{
    return platform.startsWith("wayland");
}

QtMessageHandler g_previousHandler = nullptr;

// Qt's name for the buffer integration that is no integration at all: it warns that it has none.
constexpr char kNoBufferIntegration[] = "none";
bool g_bNoBufferIntegration = false;

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
    if (type == QtWarningMsg && (text.startsWith(QLatin1String("The Wayland connection broke")) ||
                                 text.startsWith(QLatin1String("The Wayland connection experienced a fatal error"))))
    {
        std::fputs("kelvane: the Wayland compositor went away\n", stderr);
        std::fflush(nullptr);
        _exit(kExitNoDisplay);
    }
    // What Qt says of the buffer integration the program chose to go without.
    if (g_bNoBufferIntegration &&
        std::strcmp(context.category != nullptr ? context.category : "", "qt.qpa.wayland") == 0 &&
        text.contains(QLatin1String("client buffer integration")))
        return;
    if (g_previousHandler != nullptr)   // Qt's own when there was none before
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
    QtSayNoServer("WAYLAND_DISPLAY", "no Wayland compositor", "Wayland compositor");
    return false;
}

void DrawInSoftware()
{
    if (!qEnvironmentVariableIsSet("QT_WAYLAND_CLIENT_BUFFER_INTEGRATION"))
    {
        qputenv("QT_WAYLAND_CLIENT_BUFFER_INTEGRATION", kNoBufferIntegration);
        g_bNoBufferIntegration = true;
    }
    WatchCompositor();
}

void WatchCompositor()
{
    static const bool bInstalled = [] {
        g_previousHandler = qInstallMessageHandler(CompositorGoneHandler);
        return true;
    }();
    (void)bInstalled;
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

namespace
{
// Qt's connection to the compositor, which outlives every window.
wl_display* WaylandDisplay()
{
    static auto* s_pDisplay = static_cast<wl_display*>(
        QGuiApplication::platformNativeInterface()->nativeResourceForIntegration("wl_display"));
    return s_pDisplay;
}

// The compositor's shared-memory interface, bound once on Qt's connection and kept for the
// process's life.
wl_shm* Shm()
{
    static wl_shm* s_pShm = []() -> wl_shm* {
        wl_display* pDisplay = WaylandDisplay();
        if (pDisplay == nullptr)
            return nullptr;
        // The registry's answers come on a queue of our own, so Qt's dispatch never sees them.
        wl_event_queue* pQueue = wl_display_create_queue(pDisplay);
        auto* pWrapped = static_cast<wl_display*>(wl_proxy_create_wrapper(pDisplay));
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(pWrapped), pQueue);
        wl_registry* pRegistry = wl_display_get_registry(pWrapped);
        wl_shm* pShm = nullptr;
        static const wl_registry_listener listener = {
            [](void* pData, wl_registry* pReg, std::uint32_t name, const char* pszInterface, std::uint32_t) {
                if (std::strcmp(pszInterface, wl_shm_interface.name) == 0)
                    *static_cast<wl_shm**>(pData) =
                        static_cast<wl_shm*>(wl_registry_bind(pReg, name, &wl_shm_interface, 1));
            },
            [](void*, wl_registry*, std::uint32_t) {}};
        wl_registry_add_listener(pRegistry, &listener, &pShm);
        wl_display_roundtrip_queue(pDisplay, pQueue);
        wl_registry_destroy(pRegistry);
        wl_proxy_wrapper_destroy(pWrapped);
        // Its pools and buffers answer on Qt's queue, dispatched on this thread.
        if (pShm != nullptr)
            wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(pShm), nullptr);
        wl_event_queue_destroy(pQueue);
        return pShm;
    }();
    return s_pShm;
}

// Eight pixels of XRGB8888 for each byte of the frame, its lowest bit the leftmost.
struct ExpandedBytes
{
    std::uint32_t pixels[256][8];
};

const ExpandedBytes& Expanded()
{
    static const ExpandedBytes s_table = []() {
        ExpandedBytes table{};
        for (int b = 0; b < 256; ++b)
            for (int i = 0; i < 8; ++i)
                table.pixels[b][i] = ((b >> i) & 1) != 0 ? CFrameBuffer::kWhite : CFrameBuffer::kBlack;
        return table;
    }();
    return s_table;
}

// Areas to damage with the next commit: past this many, the whole frame (a hidden output's backlog).
constexpr std::size_t kMaxAreas = 1024;
}   // namespace

CWaylandPresenter::CWaylandPresenter(QWindow* pWindow) : m_pWindow(pWindow) {}

CWaylandPresenter::~CWaylandPresenter()
{
    if (m_pFrameCallback != nullptr)
        wl_callback_destroy(m_pFrameCallback);
    FreeBuffers();
}

void CWaylandPresenter::AddDamage(const std::vector<CRect>& rects)
{
    if (!m_bDamageAll && m_damage.size() + rects.size() <= kMaxAreas)
    {
        m_damage.insert(m_damage.end(), rects.begin(), rects.end());
        return;
    }
    m_bDamageAll = true;
    m_damage.clear();
}

bool CWaylandPresenter::MakeBuffers(int cx, int cy)
{
    FreeBuffers();
    wl_shm* pShm = Shm();
    if (pShm == nullptr)
        return false;
    const std::size_t nStride = static_cast<std::size_t>(cx) * 4;
    const std::size_t nBufferBytes = nStride * static_cast<std::size_t>(cy);
    m_nBytes = nBufferBytes * std::size(m_buffers);
    m_nFd = memfd_create("kelvane-frames", MFD_CLOEXEC);
    if (m_nFd < 0 || ftruncate(m_nFd, static_cast<off_t>(m_nBytes)) != 0)
    {
        FreeBuffers();
        return false;
    }
    m_pMemory = mmap(nullptr, m_nBytes, PROT_READ | PROT_WRITE, MAP_SHARED, m_nFd, 0);
    if (m_pMemory == MAP_FAILED)
    {
        m_pMemory = nullptr;
        FreeBuffers();
        return false;
    }
    m_pPool = wl_shm_create_pool(pShm, m_nFd, static_cast<std::int32_t>(m_nBytes));
    static const wl_buffer_listener listener = {OnRelease};
    for (std::size_t i = 0; i < std::size(m_buffers); ++i)
    {
        Buffer& buffer = m_buffers[i];
        buffer.pBuffer = wl_shm_pool_create_buffer(m_pPool, static_cast<std::int32_t>(i * nBufferBytes), cx, cy,
                                                   static_cast<std::int32_t>(nStride), WL_SHM_FORMAT_XRGB8888);
        buffer.pPixels = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(m_pMemory) + i * nBufferBytes);
        wl_buffer_add_listener(buffer.pBuffer, &listener, &buffer);
    }
    m_cx = cx;
    m_cy = cy;
    m_tilesX = ((cx - 1) >> kTileShiftX) + 1;
    for (Buffer& buffer : m_buffers)
        buffer.missed.assign(static_cast<std::size_t>(m_tilesX) * (((cy - 1) >> kTileShiftY) + 1), Box{});
    return true;
}

void CWaylandPresenter::FreeBuffers()
{
    for (Buffer& buffer : m_buffers)
    {
        if (buffer.pBuffer != nullptr)
            wl_buffer_destroy(buffer.pBuffer);
        buffer = Buffer{};
    }
    if (m_pPool != nullptr)
        wl_shm_pool_destroy(m_pPool);
    if (m_pMemory != nullptr)
        munmap(m_pMemory, m_nBytes);
    if (m_nFd >= 0)
        close(m_nFd);
    m_pPool = nullptr;
    m_pMemory = nullptr;
    m_nFd = -1;
    m_nBytes = 0;
    m_cx = m_cy = m_tilesX = 0;
}

void CWaylandPresenter::OnRelease(void* pData, wl_buffer*)
{
    static_cast<Buffer*>(pData)->bBusy = false;
}

void CWaylandPresenter::OnFrameDone(void* pData, wl_callback* pCallback, std::uint32_t)
{
    auto* pThis = static_cast<CWaylandPresenter*>(pData);
    wl_callback_destroy(pCallback);
    pThis->m_pFrameCallback = nullptr;
}

void CWaylandPresenter::AddMissed(Buffer& buffer, const CRect& rcAny) const
{
    const CRect rc = rcAny.Intersect(CRect(0, 0, m_cx, m_cy));
    if (buffer.bMissesAll || rc.IsRectEmpty())
        return;
    for (int ty = rc.top >> kTileShiftY; ty <= (rc.bottom - 1) >> kTileShiftY; ++ty)
        for (int tx = rc.left >> kTileShiftX; tx <= (rc.right - 1) >> kTileShiftX; ++tx)
        {
            Box& box = buffer.missed[static_cast<std::size_t>(ty) * m_tilesX + tx];
            const int x0 = std::max(rc.left, tx << kTileShiftX);
            const int y0 = std::max(rc.top, ty << kTileShiftY);
            const int x1 = std::min(rc.right, (tx + 1) << kTileShiftX) - 1;
            const int y1 = std::min(rc.bottom, (ty + 1) << kTileShiftY) - 1;
            if (box.x0 > box.x1)
                box = {x0, y0, x1, y1};
            else
                box = {std::min(box.x0, x0), std::min(box.y0, y0), std::max(box.x1, x1), std::max(box.y1, y1)};
        }
}

void CWaylandPresenter::WriteRect(const CFrameBuffer& frame, Buffer& buffer, const CRect& rc) const
{
    // Whole bytes of the frame, from the byte holding the left edge to the one holding the right:
    // what they hold past the rectangle is the frame's too, so writing it is harmless.
    const ExpandedBytes& table = Expanded();
    const int x0 = rc.left & ~7;
    const int x1 = std::min((rc.right + 7) & ~7, m_cx);
    for (int y = rc.top; y < rc.bottom; ++y)
    {
        const auto* pBytes = reinterpret_cast<const std::uint8_t*>(frame.Row(y));
        std::uint32_t* pRow = buffer.pPixels + static_cast<std::size_t>(y) * m_cx;
        // The buffer's rows are seldom in the cache: the next row's lines are asked for while
        // this one is written.
        if (y + 1 < rc.bottom)
            for (int x = x0; x < x1; x += 16)
                __builtin_prefetch(pRow + m_cx + x, 1);
        int x = x0;
        for (; x + 8 <= x1; x += 8)
            std::memcpy(pRow + x, table.pixels[pBytes[x >> 3]], sizeof table.pixels[0]);
        if (x < x1)   // the frame's last pixels, short of a byte
            std::memcpy(pRow + x, table.pixels[pBytes[x >> 3]], static_cast<std::size_t>(x1 - x) * 4);
    }
}

void CWaylandPresenter::Write(const CFrameBuffer& frame, Buffer& buffer) const
{
    if (buffer.bMissesAll)
        WriteRect(frame, buffer, CRect(0, 0, m_cx, m_cy));
    else
        for (Box& box : buffer.missed)
            if (box.x0 <= box.x1)
            {
                WriteRect(frame, buffer, CRect(box.x0, box.y0, box.x1 + 1, box.y1 + 1));
                box = Box{};
            }
    buffer.bMissesAll = false;
}

void CWaylandPresenter::Put(const CFrameBuffer& frame, const std::vector<CRect>& rects, bool bWhole)
{
    const bool bResized = frame.Width() != m_cx || frame.Height() != m_cy;
    for (Buffer& buffer : m_buffers)
    {
        buffer.bMissesAll = buffer.bMissesAll || bWhole || bResized;
        for (const CRect& rc : rects)
            AddMissed(buffer, rc);
    }
    if (bWhole)
        m_bDamageAll = true;
    else
        AddDamage(rects);
    // A window not shown may lose its surface, and the frame callback asked of it, with it: a window
    // shown again starts afresh on whatever surface it has then.
    auto* pSurface = m_pWindow->isExposed()
                         ? static_cast<wl_surface*>(QGuiApplication::platformNativeInterface()->nativeResourceForWindow(
                               "surface", m_pWindow))
                         : nullptr;
    if (pSurface != m_pSurface)
    {
        if (m_pFrameCallback != nullptr)
            wl_callback_destroy(m_pFrameCallback);
        m_pFrameCallback = nullptr;
        m_pSurface = pSurface;
        m_bDamageAll = true;
    }
    // Not configured yet, hidden, or the compositor has not asked for the next frame (an output
    // that is off or covered asks for none): nothing is drawn until it does.
    if (m_pSurface == nullptr || m_pFrameCallback != nullptr || frame.Width() <= 0 || frame.Height() <= 0)
        return;
    if (bResized)
    {
        if (!MakeBuffers(frame.Width(), frame.Height()))
            return;
        m_bDamageAll = true;
    }
    Buffer* pBuffer = !m_buffers[0].bBusy ? &m_buffers[0] : !m_buffers[1].bBusy ? &m_buffers[1] : nullptr;
    if (pBuffer == nullptr)
        return;   // both still read by the compositor: this frame's areas wait for the next
    Write(frame, *pBuffer);

    // A buffer of the output's own pixels, shown at its scale (a whole number: Qt 6.4 knows no other).
    const int nScale = std::max(1, qRound(m_pWindow->devicePixelRatio()));
    wl_surface_set_buffer_scale(m_pSurface, m_cx % nScale == 0 && m_cy % nScale == 0 ? nScale : 1);
    wl_surface_attach(m_pSurface, pBuffer->pBuffer, 0, 0);
    const bool bBufferDamage =
        wl_proxy_get_version(reinterpret_cast<wl_proxy*>(m_pSurface)) >= WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION;
    if (m_bDamageAll)
        m_damage.assign(1, CRect(0, 0, m_cx, m_cy));
    for (const CRect& rcAny : m_damage)
    {
        const CRect rc = rcAny.Intersect(CRect(0, 0, m_cx, m_cy));
        if (rc.IsRectEmpty())
            continue;
        if (bBufferDamage)
            wl_surface_damage_buffer(m_pSurface, rc.left, rc.top, rc.Width(), rc.Height());
        else
        {
            // Older surfaces take damage in their own units: rounded outwards.
            const int l = rc.left / nScale;
            const int t = rc.top / nScale;
            wl_surface_damage(m_pSurface, l, t, (rc.right + nScale - 1) / nScale - l,
                              (rc.bottom + nScale - 1) / nScale - t);
        }
    }
    m_damage.clear();
    m_bDamageAll = false;
    static const wl_callback_listener frameListener = {OnFrameDone};
    m_pFrameCallback = wl_surface_frame(m_pSurface);
    wl_callback_add_listener(m_pFrameCallback, &frameListener, this);
    wl_surface_commit(m_pSurface);
    pBuffer->bBusy = true;
    wl_display_flush(WaylandDisplay());
}
