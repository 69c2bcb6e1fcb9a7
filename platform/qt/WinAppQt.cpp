// The Qt application frame: the Qt application made at first need, the message loop, posted
// messages and the system services that belong to no window.

#include "platform/Runtime.h"
#include "platform/WinApp.h"
#include "platform/common/BackEnd.h"
#include "platform/qt/QtImpl.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>

#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace
{
// One event type for the three things the loop delivers in order: a posted message, a paint, quit.
class CPostedEvent : public QEvent
{
public:
    enum class What
    {
        Message,
        Paint,
        Quit,
    };

    CPostedEvent(What what, WindowHandle hWnd, CWndImpl::Message msg)
        : QEvent(Type()), m_what(what), m_hWnd(hWnd), m_msg(msg)
    {
    }

    static QEvent::Type Type()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    What m_what;
    WindowHandle m_hWnd;
    CWndImpl::Message m_msg;
};

class CPoster : public QObject
{
protected:
    void customEvent(QEvent* e) override
    {
        if (e->type() != CPostedEvent::Type())
            return;
        const auto* p = static_cast<CPostedEvent*>(e);
        CWinAppImpl& s = QtState();
        switch (p->m_what)
        {
        case CPostedEvent::What::Quit:
            // Quitting ends every loop, a message box's too: one open now (a failed save's, after
            // the dialog that was the main window) is read to its end first.
            if (s.pApp->m_nOpenMessageBoxes > 0)
                s.bQuitAfterBoxes = true;
            else
                QCoreApplication::exit(s.nExitCode);
            break;
        case CPostedEvent::What::Paint:
            if (CWndImpl* pImpl = s.Find(p->m_hWnd); pImpl != nullptr && !pImpl->bHost)
            {
                pImpl->bPaintPosted = false;
                if (pImpl->bNeedsPaint && !s.bQuit)
                    pImpl->Dispatch(WM_PAINT);
            }
            break;
        case CPostedEvent::What::Message:
            // Messages for a window that is gone are dropped, as the system drops them.
            if (CWndImpl* pImpl = s.Find(p->m_hWnd); pImpl != nullptr && !pImpl->bHost)
                pImpl->Dispatch(p->m_msg.message, p->m_msg.wParam, p->m_msg.lParam);
            break;
        }
    }
};

void PostEvent(CPostedEvent::What what, WindowHandle hWnd = 0, CWndImpl::Message msg = {})
{
    CWinAppImpl& s = QtState();
    if (s.pPoster)
        QCoreApplication::postEvent(s.pPoster.get(), new CPostedEvent(what, hWnd, msg));
}

// Whether an X server answers; says on stderr which of two things failed when none does.
bool HaveDisplay()
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const bool bOk = xcb_connection_has_error(c) == 0;
    xcb_disconnect(c);
    if (!bOk)
        QtSayNoServer("DISPLAY", "no X display", "X server");
    return bOk;
}

// Qt's xcb plugin calls exit(1) from inside the event loop when the X server goes away. The exit
// handlers would then destroy the application object, and Qt with it, under Qt's own feet; with
// no display left there is nothing to tidy, so the process ends here, before them.
void EndWithoutTheDisplay()
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr || pApp->m_pImpl == nullptr || !pApp->m_pImpl->pQApp || !QtX11::ConnectionBroken())
        return;   // Qt is gone already, or the display is still there: an ordinary end
    std::fputs("kelvane: the X display went away\n", stderr);
    std::fflush(nullptr);
    _exit(kExitNoDisplay);
}
}   // namespace

CWinAppImpl* AfxNewAppImpl(CWinApp* pApp)
{
    // Static initialisation: Qt comes later, when the program first needs it.
    auto* pImpl = new CWinAppImpl;
    pImpl->pApp = pApp;
    return pImpl;
}

void AfxDeleteAppImpl(CWinAppImpl* pImpl)
{
    delete pImpl;
}

CWinAppImpl::~CWinAppImpl()
{
    windows.clear();
}

CWinAppImpl& QtState()
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr || pApp->m_pImpl == nullptr)
    {
        std::fputs("kelvane: the Qt window system needs an application object\n", stderr);
        std::abort();
    }
    return *pApp->m_pImpl;
}

void QtSayNoServer(const char* pszVariable, const char* pszNone, const char* pszServer)
{
    const char* pszValue = std::getenv(pszVariable);
    if (pszValue == nullptr || *pszValue == '\0')
        std::fprintf(stderr, "kelvane: %s: %s is not set\n", pszNone, pszVariable);
    else
        std::fprintf(stderr, "kelvane: %s is %s, but no %s answers there\n", pszVariable, pszValue, pszServer);
}

QGuiApplication* QtEnsureApplication(bool bWidgets)
{
    CWinAppImpl& s = QtState();
    if (s.pQApp || s.bNoDisplay)
        return !bWidgets || QtHasWidgets() ? s.pQApp.get() : nullptr;
    // The back end speaks X11; a Wayland session serves it through Xwayland. Without a display,
    // Qt would abort: say so and let the caller end.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    if (QtWayland::Chosen() ? !QtWayland::HaveCompositor() : !HaveDisplay())
    {
        s.bNoDisplay = true;
        return nullptr;
    }
    if (QtWayland::Chosen())
        QtWayland::DrawInSoftware();
    // One screen pixel per framebuffer pixel; Qt's own event loop, which wakes less than GLib's.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qputenv("QT_NO_GLIB", "1");
    // Qt sees only the program's name: the switches are the saver's, not Qt's.
    static char szName[] = "kelvane";
    s.qtArgv[0] = (s.pApp->m_argc > 0 && s.pApp->m_argv[0] != nullptr) ? s.pApp->m_argv[0] : szName;
    s.qtArgc = 1;
    // Widgets (their style, palette and fonts) cost memory and start-up time that saving and
    // preview do without.
    if (bWidgets)
        s.pQApp = std::make_unique<QApplication>(s.qtArgc, s.qtArgv);
    else
        s.pQApp = std::make_unique<QGuiApplication>(s.qtArgc, s.qtArgv);
    QGuiApplication::setQuitOnLastWindowClosed(false);
    static const bool bExitHook = std::atexit(EndWithoutTheDisplay) == 0;
    (void)bExitHook;
    s.pPoster = std::make_unique<CPoster>();
    QObject::connect(s.pQApp.get(), &QGuiApplication::focusWindowChanged, s.pPoster.get(),
                     [](QWindow* pWindow) { QtState().FocusChanged(pWindow); });
    if (bWidgets)
        QObject::connect(qApp, &QApplication::focusChanged, s.pPoster.get(),
                         [](QWidget*, QWidget* pNow) { QtState().WidgetFocusChanged(pNow); });
    QtX11::InstallEventFilter();
    if (QtWayland::Active())
        QtWayland::WatchCompositor();
    QtWatchScreens();
    return s.pQApp.get();
}

bool QtHadNoDisplay()
{
    CWinApp* pApp = AfxGetApp();
    return pApp != nullptr && pApp->m_pImpl != nullptr && pApp->m_pImpl->bNoDisplay;
}

bool QtHasWidgets()
{
    return qobject_cast<QApplication*>(QtState().pQApp.get()) != nullptr;
}

void QtShutdown()
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr || pApp->m_pImpl == nullptr)
        return;
    CWinAppImpl& s = *pApp->m_pImpl;
    s.DestroyAll();
    if (s.pQApp)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    s.pPoster.reset();
    s.pQApp.reset();
}

void CWinAppImpl::Post(WindowHandle hWnd, const CWndImpl::Message& msg)
{
    PostEvent(CPostedEvent::What::Message, hWnd, msg);
}

void CWndImpl::PostPaint()
{
    bNeedsPaint = true;
    if (!bPaintPosted)
    {
        bPaintPosted = true;
        PostEvent(CPostedEvent::What::Paint, hWnd);
    }
}

int CWinApp::Run()
{
    CWinAppImpl& s = *m_pImpl;
    if (QtEnsureApplication() == nullptr)
        return -1;
    if (s.bQuit)
        return s.nExitCode;
    return QCoreApplication::exec();
}

void AfxPostQuitMessage(int nExitCode)
{
    CWinAppImpl& s = QtState();
    if (s.bQuit)
        return;
    s.bQuit = true;
    s.nExitCode = nExitCode;
    PostEvent(CPostedEvent::What::Quit);
}

const char* AfxRegisterWndClass(UINT nClassStyle, UINT nIDCursor)
{
    return QtState().RegisterClass(nClassStyle, nIDCursor);
}

int AfxGetSystemMetrics(int nIndex)
{
    if (QtEnsureApplication() == nullptr)
        return 0;
    // The screen in its own pixels, however Qt scales what it places on it.
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    const QRect rc = pScreen != nullptr ? pScreen->geometry() : QRect();
    // On Wayland in the compositor's units, as the monitors are (MonitorsQt.cpp).
    const qreal scale = pScreen != nullptr && !QtWayland::Active() ? pScreen->devicePixelRatio() : 1.0;
    switch (nIndex)
    {
    case SM_CXSCREEN: return QtToDevice(rc.width(), scale);
    case SM_CYSCREEN: return QtToDevice(rc.height(), scale);
    case SM_CXICON:
    case SM_CYICON: return 32;
    default: return 0;
    }
}

void AfxHideCursor()
{
    CWinAppImpl& s = QtState();
    if (s.pHandling != nullptr && s.pHandling->pWindow != nullptr && !s.pHandling->bHost)
        s.pHandling->pWindow->setCursor(Qt::BlankCursor);
}

void AfxCancelMode()
{
    QtState().CancelMode();
}

int AfxShowMessageBox(CWnd* pOwner, const std::string& strCaption, const std::string& strText, UINT nType,
                      UINT /*nIDHelp*/)
{
    if (QtEnsureApplication(true) == nullptr)
    {
        std::fprintf(stderr, "kelvane: %s\n", strText.c_str());
        return IDOK;
    }
    CWinAppImpl& s = QtState();
    // The box takes the focus as it opens: an edit that loses it runs its handler now, and the
    // boxes that handler shows appear before this one.
    const WindowHandle hHadFocus = s.hFocus;
    s.SetFocusTo(nullptr);

    // The box lives on the heap: it is its owner's child, and goes with it if the owner goes first.
    QPointer<QMessageBox> pBox = new QMessageBox(QMessageBox::NoIcon, QString::fromStdString(strCaption),
                                                 QString::fromStdString(strText), QMessageBox::Ok);
    if ((nType & 0xF0u) == MB_ICONEXCLAMATION)
        pBox->setIcon(QMessageBox::Warning);
    CWndImpl* pOwnerImpl = CWndImpl::Of(pOwner);
    const WindowHandle hOwner = pOwnerImpl != nullptr ? pOwnerImpl->hWnd : 0;
    if (pOwnerImpl != nullptr && pOwnerImpl->pWidget != nullptr)
    {
        pBox->setParent(pOwnerImpl->pWidget->window(), pBox->windowFlags());
        pBox->setFont(QApplication::font());   // a box speaks in the desktop's font, not the dialog's
    }
    else if (pOwnerImpl != nullptr && pOwnerImpl->pWindow != nullptr)
    {
        pBox->winId();
        pBox->windowHandle()->setTransientParent(pOwnerImpl->pWindow);
    }
    pBox->setWindowModality(Qt::ApplicationModal);
    pBox->exec();
    delete pBox.data();

    // Closing, it gives the focus back to where it was, if that window is still there; the owner
    // is active again once the outermost of the boxes inside one another is gone.
    if (CWndImpl* pHad = s.Find(hHadFocus); s.hFocus == 0 && pHad != nullptr && !pHad->bDestroying)
        s.SetFocusTo(pHad);
    if (CWndImpl* pNow = s.Find(hOwner);
        s.pApp->m_nOpenMessageBoxes <= 1 && pNow != nullptr && pNow->pWidget != nullptr)
        pNow->pWidget->activateWindow();
    if (s.bQuitAfterBoxes && s.pApp->m_nOpenMessageBoxes <= 1)
    {
        s.bQuitAfterBoxes = false;
        PostEvent(CPostedEvent::What::Quit);
    }
    return IDOK;
}

std::string AfxLoadString(UINT nID)
{
    const char* psz = AfxFindString(nID);
    return psz != nullptr ? psz : "";
}

unsigned int AfxGetTime()
{
    using namespace std::chrono;
    return static_cast<unsigned int>(duration_cast<seconds>(system_clock::now().time_since_epoch()).count());
}

unsigned int AfxGetProcessId()
{
    return static_cast<unsigned int>(getpid());
}
