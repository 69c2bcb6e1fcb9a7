#pragma once
// The Qt back end's state, shared by its source files. Windows are QWindows on X11; the snow is
// put on screen straight from the shared framebuffer with X requests.

#include "platform/FrameBuffer.h"
#include "platform/WinApp.h"
#include "platform/WinMessages.h"
#include "platform/Wnd.h"
#include "platform/common/DialogManager.h"
#include "platform/common/ShownFrame.h"
#include "platform/common/WndRecord.h"
#include "platform/qt/WaylandQt.h"

#include <QWindow>

#include <xcb/xcb.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QEventLoop;
class QGuiApplication;
class QWidget;
class CQtWindow;
struct CWndImpl;

// Puts what changed in the framebuffer into one X window (XPresenterQt.cpp). A copy of what the
// window shows turns each frame's changed pixels into filled rectangles, one request per colour;
// a frame that changes most of the window goes as bitmap images instead, which the server draws
// white on black. On the machine the server runs on, the bitmaps travel through shared memory
// (MIT-SHM), so a put is one small request; elsewhere they go in the requests themselves.
class CXPresenter
{
public:
    explicit CXPresenter(WindowHandle hWnd);
    ~CXPresenter();
    CXPresenter(const CXPresenter&) = delete;
    CXPresenter& operator=(const CXPresenter&) = delete;

    // bWhole: the window lost its pixels (an expose), so all of the frame goes out.
    void Put(const CFrameBuffer& frame, const std::vector<CRect>& rects, bool bWhole);
    // How many frames went out as bitmap images, the rest as filled rectangles.
    int BitmapFrames() const { return m_nBitmapFrames; }
    // Whether bitmaps may go through shared memory (on by default, where the server can see ours);
    // off, they travel in the requests, as to a server on another machine.
    void UseSharedMemory(bool bUse) { m_bUseShared = bUse; }
    bool SharesMemory() const { return m_bUseShared && m_shmSeg != 0; }

private:
    // A shared segment of nBytes for bitmaps; false leaves them in the requests.
    bool AttachShared(std::size_t nBytes);
    void DetachShared();
    // Words w0..w1 of nRows frame rows from y, into pDst rows of nDstStride bytes, in the server's bit order.
    void CopyRows(const CFrameBuffer& frame, int y, int nRows, int w0, int w1, std::uint8_t* pDst, std::size_t nDstStride) const;
    // Each put goes out on the connection the caller looked up once for the frame.
    void PutBitmap(xcb_connection_t* c, const CFrameBuffer& frame, const CRect& rc);
    void Fill(xcb_connection_t* c, std::uint32_t gc, const CShownFrame::Fill* pRects, std::size_t nRects);

    WindowHandle m_hWnd;
    std::uint32_t m_gc = 0;                 // white on black: white fills, and the bitmaps
    std::uint32_t m_gcBlack = 0;            // black fills
    bool m_bUsable = false;
    bool m_bReverseBits = false;            // the server reads a byte's bits from its top
    std::uint32_t m_nMaxRequestBytes = 0;
    std::vector<std::uint8_t> m_scratch;    // a bitmap put's rows
    CShownFrame m_shown;
    std::vector<CRect> m_whole;             // the frame's rectangle, when all of it goes out
    int m_nBitmapFrames = 0;

    bool m_bUseShared = true;
    bool m_bSharedTried = false;
    std::uint32_t m_shmSeg = 0;             // 0: no shared memory
    std::uint8_t* m_pShared = nullptr;
    std::size_t m_nSharedBytes = 0;
    std::size_t m_nSharedNext = 0;          // where the next bitmap goes in it
};

// The window the program sees: one per CWnd, and one per window of another program it named.
class CQtWindow : public QWindow
{
public:
    CQtWindow(CWndImpl* pImpl, QWindow* pParent);
    void Detach() { m_pImpl = nullptr; }

protected:
    bool event(QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    CWndImpl* m_pImpl;
};

struct CWndImpl : CWndRecord<CWndImpl>
{
    CRect rcHostClient;                    // a host's client area, as its last configure said

    CQtWindow* pWindow = nullptr;          // ours: owned, deleted late; a host's: the foreign QWindow
    std::unique_ptr<QWindow> pForeign;
    std::unique_ptr<CXPresenter> pPresenter;
    std::unique_ptr<CWaylandPresenter> pWaylandPresenter;   // on Wayland, in place of pPresenter
    std::map<UINT, int> timers;            // program id -> Qt timer id
    std::vector<UINT> ticking;             // timer ids whose OnTimer runs now: ticks never overlap
    bool bNeedsPaint = false;
    bool bPaintPosted = false;
    bool bActive = false;
    bool bMouseSeen = false;
    bool bGrabbed = false;

    // A dialog and its controls are widgets (settings mode only): the dialog's window is its top
    // widget's, a control has a handle of the back end's own, beyond the 32 bits of X's.
    QWidget* pWidget = nullptr;            // a dialog's: owned, deleted late; a control's: its dialog's
    bool bDialog = false;
    QEventLoop* pModalLoop = nullptr;      // a dialog's modal run, while it runs

    CFrameBuffer frame;
    std::vector<CRect> changed;            // reused by every present

    CRect ClientRect() const;
    // The client area's top left corner on the screen.
    QPoint ClientOrigin() const;
    QWindow* NativeParent() const;

    std::intptr_t Dispatch(UINT message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    std::intptr_t DefaultHandling(const Message& msg);
    void Present(bool bWhole);
    void PostPaint();
    // The window's end, after it has left the table: its timers, QWindow and presenter go.
    void NativeTeardown();

    static void CallOnNcDestroy(CWnd* p) { p->OnNcDestroy(); }
    static CWndImpl* Of(const CWnd* p) { return p != nullptr ? p->m_pImpl : nullptr; }
    static void Attach(CWnd* p, CWndImpl* pImpl) { p->m_pImpl = pImpl; }
};

struct CWinAppImpl : CWndTable<CWndImpl>, CDialogManager<CWinAppImpl, CWndImpl>
{
    // The records hold QWindows: they go before the Qt application does.
    ~CWinAppImpl();

    CWinApp* pApp = nullptr;
    std::unique_ptr<QGuiApplication> pQApp;
    bool bNoDisplay = false;               // tried, and there is no X display to talk to
    int qtArgc = 1;
    char* qtArgv[2] = {nullptr, nullptr};
    std::unique_ptr<QObject> pPoster;      // delivers posted messages, paints and the quit message
    bool bQuit = false;
    bool bQuitAfterBoxes = false;          // the quit came while a message box was open
    int nExitCode = 0;

    CFrameBuffer noFrame;
    CWndImpl* pHandling = nullptr;         // the window whose handler runs, innermost

    WindowHandle hNextControl = 0x100000000u;   // the next handle for a dialog's control
    bool bMovingFocus = false;             // the back end moves the focus itself: Qt's report is no news
    QObject* pDialogKeys = nullptr;        // the dialogs' keys, made with the first dialog; pPoster's child

    void Post(WindowHandle hWnd, const CWndImpl::Message& msg);
    // A window of another program: made on first use, nullptr when no live window has the handle.
    CWndImpl* Host(WindowHandle hWnd);
    void HostGone(WindowHandle hWnd);
    void HostResized(WindowHandle hWnd, int cx, int cy);
    // Qt moved the keyboard focus to pWindow (nullptr: to no window of ours).
    void FocusChanged(QWindow* pWindow);
    // Qt moved the keyboard focus between widgets itself (a window activated again): an edit that
    // loses it tells its dialog.
    void WidgetFocusChanged(QWidget* pNow);
    // The dialog manager's native side (DialogManager.h): Qt's focus, selection and an arrow pair's
    // repeat follow the manager's decisions.
    void NativeFocus(CWndImpl* pNew, CWndImpl* pOld);
    static void NativeSelectAll(CWndImpl* pEdit);
    static void NativeArrowHold(CWndImpl* pArrows, UINT nMs);
    static bool NativePointerOver(CWndImpl* pArrows, bool bUpper);
    CWndImpl* FindWidget(const QWidget* pWidget) const;
};

CWinAppImpl& QtState();
// The same, by the name the code shared by the back ends that keep window records uses.
inline CWinAppImpl& RecordState()
{
    return QtState();
}

// The program counts in the screen's own pixels, as X does; Qt places windows in pixels divided by
// the screen's scale factor (QT_SCALE_FACTOR, QT_SCREEN_SCALE_FACTORS). These convert between them.
qreal QtScaleOf(const QWindow* pWindow);
int QtToDevice(qreal v, qreal scale);
QRect QtToLogical(const CRect& rc, qreal scale);
// The application's Qt side, made on first need; nullptr when there is no display. Widgets are
// loaded only for dialogs: saving and preview never ask for them. A Qt side made without them
// cannot gain them, and then bWidgets gives nullptr too.
QGuiApplication* QtEnsureApplication(bool bWidgets = false);
// Says on stderr why no display server answers: the variable naming it is unset, or names one
// that does not answer. pszNone: "no X display"; pszServer: "X server".
void QtSayNoServer(const char* pszVariable, const char* pszNone, const char* pszServer);
bool QtHasWidgets();
// The program asked for the display and there was none: its exit status must say so.
bool QtHadNoDisplay();
constexpr int kExitNoDisplay = 1;

// A dialog control's text, as the user sees and edits it (DialogQt.cpp).
void QtSetWidgetText(CWndImpl* pImpl, const std::string& text);
std::string QtWidgetText(const CWndImpl* pImpl);
// Ends what is left of the windows and Qt, while main() still runs.
void QtShutdown();
// Tells the program's top-level windows of screens that come, go or change, and its windows on
// the screen of the display's power going down and coming back (MonitorsQt.cpp).
void QtWatchScreens();
// Where Qt places a window without a parent that covers rc, in the screen's own pixels.
QRect QtTopLevelGeometry(const CRect& rc);

// X11 glue (ForeignWindowQt.cpp).
namespace QtX11
{
// Qt's connection to the X server; nullptr when Qt runs on no X server.
xcb_connection_t* Connection();
// Starts hearing of the window's destruction and size; false when no live window has the handle.
bool Watch(WindowHandle hWnd, CRect* prcClient);
WindowHandle RootWindow();
// Whether the X server has gone: Qt's connection to it is broken.
bool ConnectionBroken();
// Whether the monitor is powered on, as DPMS tells; false when the server has no DPMS to ask.
bool DisplayPowered(bool* pbOn);
// Whether the server holds the window: a request to make it may have failed.
bool Exists(WindowHandle hWnd);
// Takes the keyboard and the pointer, as a screen saver must to hear of the user first.
bool GrabInput(WindowHandle hWnd);
void InstallEventFilter();
}   // namespace QtX11
