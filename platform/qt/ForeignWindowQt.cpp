// X11 glue under Qt: windows of other programs (hosts) watched for their end and their size,
// the input grab of the saver, the display's power, and X errors of windows that vanish. The
// presenter that puts frames on screen is XPresenterQt.cpp.

#include "platform/qt/QtImpl.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/dpms.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
// X error codes of a window or drawable that is no longer there: a host may go at any moment.
constexpr std::uint8_t kBadWindow = 3;
constexpr std::uint8_t kBadDrawable = 9;

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
xcb_connection_t* Connection()
{
    auto* pX11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return pX11 != nullptr ? pX11->connection() : nullptr;
}

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

bool DisplayPowered(bool* pbOn)
{
    xcb_connection_t* c = Connection();
    if (c == nullptr || xcb_connection_has_error(c) != 0)
        return false;
    const xcb_query_extension_reply_t* pExt = xcb_get_extension_data(c, &xcb_dpms_id);
    if (pExt == nullptr || pExt->present == 0)
        return false;
    xcb_dpms_info_reply_t* pInfo = xcb_dpms_info_reply(c, xcb_dpms_info(c), nullptr);
    if (pInfo == nullptr)
        return false;
    // Standby and suspend darken the screen as off does; with DPMS disabled the monitor never sleeps.
    *pbOn = pInfo->state == 0 || pInfo->power_level == XCB_DPMS_DPMS_MODE_ON;
    std::free(pInfo);
    return true;
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
