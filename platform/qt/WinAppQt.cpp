// The Qt application frame: the Qt application made at first need, the message loop, posted
// messages and the system services that belong to no window.

#include "platform/Runtime.h"
#include "platform/WinApp.h"
#include "platform/common/BackEnd.h"
#include "platform/qt/QtImpl.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
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

bool HaveDisplay()
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const bool bOk = xcb_connection_has_error(c) == 0;
    xcb_disconnect(c);
    return bOk;
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

QGuiApplication* QtEnsureApplication()
{
    CWinAppImpl& s = QtState();
    if (s.pQApp || s.bNoDisplay)
        return s.pQApp.get();
    // The back end speaks X11; a Wayland session serves it through Xwayland. Without a display,
    // Qt would abort: say so and let the caller end.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    if (!HaveDisplay())
    {
        s.bNoDisplay = true;
        std::fputs("kelvane: cannot open the X display (is DISPLAY set?)\n", stderr);
        return nullptr;
    }
    // One screen pixel per framebuffer pixel; Qt's own event loop, which wakes less than GLib's.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qputenv("QT_NO_GLIB", "1");
    // Qt sees only the program's name: the switches are the saver's, not Qt's.
    static char szName[] = "kelvane";
    s.qtArgv[0] = (s.pApp->m_argc > 0 && s.pApp->m_argv[0] != nullptr) ? s.pApp->m_argv[0] : szName;
    s.qtArgc = 1;
    s.pQApp = std::make_unique<QApplication>(s.qtArgc, s.qtArgv);
    QGuiApplication::setQuitOnLastWindowClosed(false);
    s.pPoster = std::make_unique<CPoster>();
    QObject::connect(s.pQApp.get(), &QGuiApplication::focusWindowChanged, s.pPoster.get(),
                     [](QWindow* pWindow) { QtState().FocusChanged(pWindow); });
    QtX11::InstallEventFilter();
    QtWatchScreens();
    return s.pQApp.get();
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
    const qreal scale = pScreen != nullptr ? pScreen->devicePixelRatio() : 1.0;
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

int AfxShowMessageBox(CWnd* pOwner, const std::string& strCaption, const std::string& strText, UINT nType, UINT /*nIDHelp*/)
{
    if (QtEnsureApplication() == nullptr)
    {
        std::fprintf(stderr, "kelvane: %s\n", strText.c_str());
        return IDOK;
    }
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(strCaption), QString::fromStdString(strText), QMessageBox::Ok);
    if ((nType & 0xF0u) == MB_ICONEXCLAMATION)
        box.setIcon(QMessageBox::Warning);
    if (CWndImpl* pImpl = CWndImpl::Of(pOwner); pImpl != nullptr && pImpl->pWindow != nullptr)
    {
        box.winId();
        box.windowHandle()->setTransientParent(pImpl->pWindow);
    }
    box.exec();
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
