// X11 glue under Qt: windows of other programs (hosts) watched for their end and their size,
// the input grab of the saver, X errors of windows that vanish, and putting framebuffer
// rectangles on screen.

#include "platform/qt/QtImpl.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
// X error codes of a window or drawable that is no longer there: a host may go at any moment.
constexpr std::uint8_t kBadWindow = 3;
constexpr std::uint8_t kBadDrawable = 9;

xcb_connection_t* Connection()
{
    auto* pX11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return pX11 != nullptr ? pX11->connection() : nullptr;
}

class CXEventFilter : public QAbstractNativeEventFilter
{
public:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* /*result*/) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto* ev = static_cast<const xcb_generic_event_t*>(message);
        switch (ev->response_type & 0x7F)
        {
        case 0:
        {
            // Windows that vanished under a request are the normal life of a preview, not a fault.
            const auto* err = reinterpret_cast<const xcb_generic_error_t*>(ev);
            return err->error_code == kBadWindow || err->error_code == kBadDrawable;
        }
        case XCB_DESTROY_NOTIFY:
        {
            const WindowHandle hWnd = reinterpret_cast<const xcb_destroy_notify_event_t*>(ev)->window;
            if (IsHost(hWnd))
                QMetaObject::invokeMethod(qGuiApp, [hWnd]() { QtState().HostGone(hWnd); }, Qt::QueuedConnection);
            return false;
        }
        case XCB_CONFIGURE_NOTIFY:
        {
            const auto* cfg = reinterpret_cast<const xcb_configure_notify_event_t*>(ev);
            const WindowHandle hWnd = cfg->window;
            const int cx = cfg->width;
            const int cy = cfg->height;
            if (cfg->event == cfg->window && IsHost(hWnd))
                QMetaObject::invokeMethod(qGuiApp, [hWnd, cx, cy]() { QtState().HostResized(hWnd, cx, cy); },
                                          Qt::QueuedConnection);
            return false;
        }
        default: return false;
        }
    }

private:
    static bool IsHost(WindowHandle hWnd)
    {
        const CWndImpl* pImpl = QtState().Find(hWnd);
        return pImpl != nullptr && pImpl->bHost;
    }
};
}   // namespace

namespace QtX11
{
void InstallEventFilter()
{
    static CXEventFilter filter;
    qGuiApp->installNativeEventFilter(&filter);
}

bool Watch(WindowHandle hWnd, CRect* prcClient)
{
    xcb_connection_t* c = Connection();
    if (c == nullptr || hWnd == 0 || hWnd > 0xFFFFFFFFu)
        return false;
    const auto window = static_cast<xcb_window_t>(hWnd);
    // Our own selection on a window replaces what we selected before: keep Qt's (the root's).
    xcb_get_window_attributes_reply_t* pAttr =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
    if (pAttr == nullptr)
        return false;
    const std::uint32_t mask = pAttr->your_event_mask | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    std::free(pAttr);
    if (xcb_generic_error_t* pErr = xcb_request_check(c, xcb_change_window_attributes_checked(c, window, XCB_CW_EVENT_MASK, &mask)))
    {
        std::free(pErr);
        return false;
    }
    // From here on its end arrives as an event; its size now is the client area to cover.
    xcb_get_geometry_reply_t* pGeom = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    if (pGeom == nullptr)
        return false;
    *prcClient = CRect(0, 0, pGeom->width, pGeom->height);
    std::free(pGeom);
    return true;
}

bool Exists(WindowHandle hWnd)
{
    xcb_connection_t* c = Connection();
    if (c == nullptr || hWnd == 0 || hWnd > 0xFFFFFFFFu)
        return false;
    xcb_get_window_attributes_reply_t* pAttr =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, static_cast<xcb_window_t>(hWnd)), nullptr);
    std::free(pAttr);
    return pAttr != nullptr;
}

bool ConnectionBroken()
{
    xcb_connection_t* c = Connection();
    return c != nullptr && xcb_connection_has_error(c) != 0;
}

WindowHandle RootWindow()
{
    if (QtEnsureApplication() == nullptr)
        return 0;
    xcb_connection_t* c = Connection();
    if (c == nullptr)
        return 0;
    // The screen DISPLAY names (":0.1" is screen 1), else the first.
    int nScreen = 0;
    if (const char* pszDisplay = std::getenv("DISPLAY"); pszDisplay != nullptr)
        if (const char* pszDot = std::strrchr(pszDisplay, '.'); pszDot != nullptr && std::strchr(pszDot, ':') == nullptr)
            nScreen = std::atoi(pszDot + 1);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    xcb_window_t root = it.data != nullptr ? it.data->root : 0;
    for (int i = 0; it.rem > 0; xcb_screen_next(&it), ++i)
        if (i == nScreen)
            root = it.data->root;
    return root;
}

bool GrabInput(WindowHandle hWnd)
{
    xcb_connection_t* c = Connection();
    if (c == nullptr)
        return false;
    const auto window = static_cast<xcb_window_t>(hWnd);
    xcb_grab_keyboard_reply_t* pKey = xcb_grab_keyboard_reply(
        c, xcb_grab_keyboard(c, 1, window, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC), nullptr);
    const bool bKeyboard = pKey != nullptr && pKey->status == XCB_GRAB_STATUS_SUCCESS;
    std::free(pKey);
    constexpr std::uint16_t kPointerEvents = XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                             XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_ENTER_WINDOW |
                                             XCB_EVENT_MASK_LEAVE_WINDOW;
    xcb_grab_pointer_reply_t* pPointer = xcb_grab_pointer_reply(
        c, xcb_grab_pointer(c, 1, window, kPointerEvents, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE,
                            XCB_CURRENT_TIME), nullptr);
    const bool bPointer = pPointer != nullptr && pPointer->status == XCB_GRAB_STATUS_SUCCESS;
    std::free(pPointer);
    // Without a window manager nobody else gives the window the keyboard.
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
    xcb_flush(c);
    return bKeyboard && bPointer;
}
}   // namespace QtX11

namespace
{
// A tick of snow on a full-HD screen changes about 200 000 pixels: a few ticks fit.
constexpr std::size_t kStagingPixels = 1024 * 1024;
}   // namespace

CXPresenter::CXPresenter(WindowHandle hWnd) : m_hWnd(hWnd)
{
    xcb_connection_t* c = Connection();
    if (c == nullptr)
        return;
    const auto window = static_cast<xcb_window_t>(hWnd);
    xcb_get_geometry_reply_t* pGeom = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    if (pGeom == nullptr)
        return;
    m_nDepth = pGeom->depth;
    std::free(pGeom);
    // The framebuffer's pixels go out as they are: 32 bits each, in this machine's byte order.
    const xcb_setup_t* pSetup = xcb_get_setup(c);
    const bool bLittleEndian = std::endian::native == std::endian::little;
    const bool bOrderMatches = (pSetup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST) == bLittleEndian;
    bool bFormat = false;
    for (xcb_format_iterator_t it = xcb_setup_pixmap_formats_iterator(pSetup); it.rem > 0; xcb_format_next(&it))
        if (it.data->depth == m_nDepth && it.data->bits_per_pixel == 32)
            bFormat = true;
    if (!bFormat || !bOrderMatches || (m_nDepth != 24 && m_nDepth != 32))
    {
        std::fprintf(stderr, "kelvane: the window's visual (depth %u) takes no 32-bit pixels; nothing will show\n",
                     static_cast<unsigned>(m_nDepth));
        return;
    }
    m_gc = xcb_generate_id(c);
    const std::uint32_t noExposures = 0;
    xcb_create_gc(c, m_gc, window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    m_nMaxRequestBytes = xcb_get_maximum_request_length(c) * 4u;
    m_bUsable = true;
    AttachShared();
}

bool CXPresenter::AttachShared()
{
    xcb_connection_t* c = Connection();
    const xcb_query_extension_reply_t* pExt = xcb_get_extension_data(c, &xcb_shm_id);
    if (pExt == nullptr || !pExt->present)
        return false;
    const int shmid = shmget(IPC_PRIVATE, kStagingPixels * 4, IPC_CREAT | 0600);
    if (shmid < 0)
        return false;
    void* p = shmat(shmid, nullptr, 0);
    if (p == reinterpret_cast<void*>(-1))
    {
        shmctl(shmid, IPC_RMID, nullptr);
        return false;
    }
    const std::uint32_t seg = xcb_generate_id(c);
    xcb_generic_error_t* pErr = xcb_request_check(c, xcb_shm_attach_checked(c, seg, static_cast<std::uint32_t>(shmid), 0));
    // Once both sides hold it, the segment goes away with the last of them, even after a crash.
    shmctl(shmid, IPC_RMID, nullptr);
    if (pErr != nullptr)
    {
        // A server on another machine cannot see our memory.
        std::free(pErr);
        shmdt(p);
        return false;
    }
    m_shmSeg = seg;
    m_pStaging = static_cast<std::uint32_t*>(p);
    m_nStagingPixels = kStagingPixels;
    return true;
}

CXPresenter::~CXPresenter()
{
    xcb_connection_t* c = Connection();
    if (m_shmSeg != 0)
    {
        if (c != nullptr)
        {
            xcb_shm_detach(c, m_shmSeg);
            SyncStaging();
        }
        shmdt(m_pStaging);
    }
    if (c != nullptr && m_gc != 0)
        xcb_free_gc(c, m_gc);
}

void CXPresenter::SyncStaging()
{
    xcb_connection_t* c = Connection();
    if (c == nullptr)
        return;
    const xcb_get_input_focus_cookie_t cookie =
        m_bSyncPending ? xcb_get_input_focus_cookie_t{m_nSyncSequence} : xcb_get_input_focus(c);
    std::free(xcb_get_input_focus_reply(c, cookie, nullptr));
    m_bSyncPending = false;
    m_nStagingUsed = 0;
}

void CXPresenter::Put(const CFrameBuffer& frame, const std::vector<CRect>& rects)
{
    xcb_connection_t* c = Connection();
    if (!m_bUsable || c == nullptr || rects.empty())
        return;
    // The round trip sent after an earlier frame has long come back: the server has read the
    // staging area, which this frame may fill again from the start.
    if (m_bSyncPending)
        SyncStaging();
    const CRect rcFrame(0, 0, frame.Width(), frame.Height());
    for (const CRect& rcAny : rects)
    {
        const CRect rc = rcAny.Intersect(rcFrame);
        if (rc.IsRectEmpty())
            continue;
        if (m_shmSeg != 0)
            PutShared(c, frame, rc);
        else
            PutInline(c, frame, rc);
    }
    // Frames follow one another in the staging area; past its middle, a round trip goes out with
    // this frame's puts, so that the next frame finds the area free without waiting.
    if (m_shmSeg != 0 && m_nStagingUsed > m_nStagingPixels / 2)
    {
        m_nSyncSequence = xcb_get_input_focus(c).sequence;
        m_bSyncPending = true;
    }
    xcb_flush(c);
}

void CXPresenter::PutShared(xcb_connection_t* c, const CFrameBuffer& frame, const CRect& rc)
{
    const int cx = rc.Width();
    const int cxFrame = frame.Width();
    // Tall rectangles go in bands that fit the staging area.
    const int nBandRows = std::max(1, static_cast<int>(m_nStagingPixels / static_cast<std::size_t>(cx)));
    for (int y = rc.top; y < rc.bottom;)
    {
        int cy = std::min(nBandRows, rc.bottom - y);
        if (m_nStagingUsed + static_cast<std::size_t>(cx) * cy > m_nStagingPixels)
        {
            SyncStaging();
            continue;
        }
        std::uint32_t* pDst = m_pStaging + m_nStagingUsed;
        const std::uint32_t* pSrc = frame.Bits() + static_cast<std::size_t>(y) * cxFrame + rc.left;
        for (int row = 0; row < cy; ++row)
            std::memcpy(pDst + static_cast<std::size_t>(row) * cx, pSrc + static_cast<std::size_t>(row) * cxFrame,
                        static_cast<std::size_t>(cx) * 4);
        xcb_shm_put_image(c, static_cast<xcb_window_t>(m_hWnd), m_gc, static_cast<std::uint16_t>(cx),
                          static_cast<std::uint16_t>(cy), 0, 0, static_cast<std::uint16_t>(cx),
                          static_cast<std::uint16_t>(cy), static_cast<std::int16_t>(rc.left),
                          static_cast<std::int16_t>(y), m_nDepth, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, m_shmSeg,
                          static_cast<std::uint32_t>(m_nStagingUsed * 4));
        m_nStagingUsed += static_cast<std::size_t>(cx) * cy;
        y += cy;
    }
}

void CXPresenter::PutInline(xcb_connection_t* c, const CFrameBuffer& frame, const CRect& rc)
{
    const int cx = rc.Width();
    const int cxFrame = frame.Width();
    const std::uint32_t nRowBytes = static_cast<std::uint32_t>(cx) * 4u;
    // A request may carry only so many bytes: tall rectangles go in bands.
    const int nBandRows = std::max(1, static_cast<int>((m_nMaxRequestBytes - 64u) / nRowBytes));
    for (int y = rc.top; y < rc.bottom; y += nBandRows)
    {
        const int cy = std::min(nBandRows, rc.bottom - y);
        const std::uint32_t* pData = frame.Bits() + static_cast<std::size_t>(y) * cxFrame + rc.left;
        if (cx != cxFrame)
        {
            m_scratch.resize(static_cast<std::size_t>(cx) * cy);
            for (int row = 0; row < cy; ++row)
                std::memcpy(m_scratch.data() + static_cast<std::size_t>(row) * cx,
                            pData + static_cast<std::size_t>(row) * cxFrame, nRowBytes);
            pData = m_scratch.data();
        }
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, static_cast<xcb_window_t>(m_hWnd), m_gc,
                      static_cast<std::uint16_t>(cx), static_cast<std::uint16_t>(cy),
                      static_cast<std::int16_t>(rc.left), static_cast<std::int16_t>(y), 0, m_nDepth,
                      nRowBytes * static_cast<std::uint32_t>(cy), reinterpret_cast<const std::uint8_t*>(pData));
    }
}
