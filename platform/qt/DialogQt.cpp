// Desktop dialogs on Qt Widgets, built from the program's templates: positions in dialog units
// turned into pixels as Windows turns them, the template's face found through fontconfig, the
// system menu, the modal run, and the user's keys and clicks translated for the shared dialog
// manager. The controls themselves are DialogControlsQt.cpp's.

#include "platform/Dialog.h"
#include "platform/FrameIds.h"
#include "platform/common/BackEnd.h"
#include "platform/qt/QtDialog.h"
#include "platform/qt/QtImpl.h"

#include <QApplication>
#include <QEventLoop>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QWindow>

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <string_view>

namespace
{
// Windows rounds as MulDiv does: to nearest, halves away from zero.
int MulDiv(int n, int nNumerator, int nDenominator)
{
    const long long p = static_cast<long long>(n) * nNumerator;
    return static_cast<int>(p >= 0 ? (p + nDenominator / 2) / nDenominator : -((-p + nDenominator / 2) / nDenominator));
}

// The dialog whose window pWidget is in; a message box or menu it owns is a window of its own.
CWndImpl* DialogOf(const QWidget* pWidget)
{
    CWndImpl* pImpl = QtState().FindWidget(pWidget->window());
    return pImpl != nullptr && pImpl->bDialog ? pImpl : nullptr;
}

// The dialog's own system menu: X11's title bar menu is the window manager's and does not know the
// items the program appends.
void ShowSystemMenu(CWndImpl* pDlg, const QPoint& ptGlobal)
{
    CWinAppImpl& s = QtState();
    const WindowHandle hDlg = pDlg->hWnd;
    QMenu menu(pDlg->pWidget);
    menu.setFont(QApplication::font());
    menu.addAction(QStringLiteral("閉じる(&C)"))->setData(SC_CLOSE);
    for (const CMenuImpl::Item& item : pDlg->systemMenu.items)
    {
        if ((item.nFlags & MF_SEPARATOR) != 0)
            menu.addSeparator();
        else
            menu.addAction(QString::fromStdString(item.text))->setData(item.nID);
    }
    const QAction* pChosen = menu.exec(ptGlobal);
    if (CWndImpl* pNow = s.Find(hDlg); pChosen != nullptr && pNow != nullptr)
        pNow->Dispatch(WM_SYSCOMMAND, pChosen->data().toUInt());
}

// The dialog's window.
class CQtDialogWidget : public QWidget
{
public:
    CQtDialogWidget(QWidget* pOwner, Qt::WindowFlags flags) : QWidget(pOwner, flags) {}

protected:
    void closeEvent(QCloseEvent* e) override
    {
        // The window manager's close goes the way of the system menu's.
        e->ignore();
        if (CWndImpl* pDlg = QtState().FindWidget(this); pDlg != nullptr)
            pDlg->Dispatch(WM_SYSCOMMAND, SC_CLOSE);
    }

    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::RightButton && childAt(e->position().toPoint()) == nullptr)
        {
            if (CWndImpl* pDlg = QtState().FindWidget(this); pDlg != nullptr)
                ShowSystemMenu(pDlg, e->globalPosition().toPoint());
            return;
        }
        QWidget::mousePressEvent(e);
    }
};

// The user's keys and presses in every dialog, handed to the shared dialog manager.
class CQtDialogInput : public QObject
{
protected:
    bool eventFilter(QObject* pObject, QEvent* e) override
    {
        if (!pObject->isWidgetType())
            return false;
        auto* pWidget = static_cast<QWidget*>(pObject);
        CWinAppImpl& s = QtState();
        switch (e->type())
        {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        {
            // A press on a control gives it the focus first; a box that this opens takes the mouse,
            // and the press never reaches the control.
            CWndImpl* pControl = s.FindWidget(pWidget);
            if (pControl == nullptr || pControl->pParent == nullptr || !pControl->pParent->bDialog ||
                static_cast<QMouseEvent*>(e)->button() != Qt::LeftButton)
                return false;
            return !s.PressControl(pControl);
        }
        case QEvent::WindowDeactivate:
            // The dialog lost the keyboard and the mouse to another window.
            if (pWidget->isWindow() && DialogOf(pWidget) != nullptr)
                s.CancelMode();
            return false;
        case QEvent::KeyPress:
        {
            CWndImpl* pDlg = DialogOf(pWidget);
            return pDlg != nullptr && OnKey(pDlg, static_cast<QKeyEvent*>(e));
        }
        default: return false;
        }
    }

private:
    static bool OnKey(CWndImpl* pDlg, const QKeyEvent* pKey)
    {
        CWinAppImpl& s = QtState();
        const Qt::KeyboardModifiers modifiers = pKey->modifiers() & ~Qt::KeypadModifier;
        switch (pKey->key())
        {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if ((modifiers & ~Qt::ShiftModifier) != Qt::NoModifier)
                return false;
            s.PressTab(pDlg, pKey->key() == Qt::Key_Backtab || modifiers == Qt::ShiftModifier);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (modifiers != Qt::NoModifier)
                return false;
            s.PressEnter(pDlg);
            return true;
        case Qt::Key_Escape: s.PressEscape(pDlg); return true;
        case Qt::Key_Space:
            if (modifiers != Qt::AltModifier)
                return false;
            ShowSystemMenu(pDlg, pDlg->pWidget->mapToGlobal(QPoint(0, 0)));
            return true;
        default: break;
        }
        // With Alt some keyboards give no text: the key then says which letter it was.
        const QString text = pKey->text();
        const int key = pKey->key();
        const QChar ch = text.size() == 1                                                                   ? text[0]
                         : (key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z) ? QChar(key)
                                                                                                            : QChar();
        if (ch.unicode() >= 0x80 || !ch.isLetterOrNumber() ||
            (modifiers != Qt::NoModifier && modifiers != Qt::AltModifier))
            return false;
        return s.PressMnemonic(pDlg, static_cast<char>(ch.unicode()), modifiers == Qt::AltModifier);
    }
};

// The template's face through fontconfig: "ＭＳ 明朝" is on no Linux machine, but a Japanese face
// of the same kind (Mincho is serif) usually is.
QString ResolveFace(const char* lpszFace)
{
    const std::string_view face = lpszFace != nullptr ? lpszFace : "";
    if (!FcInit())
        return QString::fromUtf8(face.data(), static_cast<qsizetype>(face.size()));
    FcPattern* pPattern = FcPatternCreate();
    FcPatternAddString(pPattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(std::string(face).c_str()));
    const bool bMincho = face.find("明朝") != std::string_view::npos || face.find("Mincho") != std::string_view::npos;
    const bool bGothic =
        face.find("ゴシック") != std::string_view::npos || face.find("Gothic") != std::string_view::npos;
    if (bMincho || bGothic)
        FcPatternAddString(pPattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(bMincho ? "serif" : "sans-serif"));
    // A face named in Japanese is a Japanese face.
    if (std::any_of(face.begin(), face.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        FcPatternAddString(pPattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcConfigSubstitute(nullptr, pPattern, FcMatchPattern);
    FcDefaultSubstitute(pPattern);
    FcResult result = FcResultNoMatch;
    FcPattern* pMatch = FcFontMatch(nullptr, pPattern, &result);
    QString family = QString::fromUtf8(face.data(), static_cast<qsizetype>(face.size()));
    FcChar8* pszFamily = nullptr;
    if (pMatch != nullptr && FcPatternGetString(pMatch, FC_FAMILY, 0, &pszFamily) == FcResultMatch)
        family = QString::fromUtf8(reinterpret_cast<const char*>(pszFamily));
    if (pMatch != nullptr)
        FcPatternDestroy(pMatch);
    FcPatternDestroy(pPattern);
    return family;
}

QIcon IconOf(UINT nID)
{
    IconHandle hIcon = AfxFindIcon(nID);
    if (hIcon == nullptr)
        return QIcon();
    const QImage image(reinterpret_cast<const uchar*>(hIcon->pPixels), hIcon->cx, hIcon->cy, hIcon->cx * 4,
                       QImage::Format_ARGB32);
    return QIcon(QPixmap::fromImage(image.copy()));
}

}   // namespace

CDialogMetrics QtDialogMetrics(const DialogTemplate* pTemplate, int nDpi)
{
    CDialogMetrics m;
    m.font = QFont(ResolveFace(pTemplate->lpszFace));
    // The size Windows asks for: -MulDiv(points, dpi, 72), a character height without the leading.
    m.font.setPixelSize(MulDiv(pTemplate->nPointSize, nDpi, 72));
    m.font.setWeight(pTemplate->nWeight >= 600 ? QFont::Bold : QFont::Normal);
    m.font.setItalic(pTemplate->bItalic);
    m.font.setStyleStrategy(QFont::PreferMatch);
    const QFontMetrics metrics(m.font);
    const int cxAlphabet =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m.cxBase = (cxAlphabet / 26 + 1) / 2;
    m.cyBase = metrics.height();
    return m;
}

QRect CDialogMetrics::MapDialogRect(int x, int y, int cx, int cy) const
{
    return QRect(MulDiv(x, cxBase, 4), MulDiv(y, cyBase, 8), MulDiv(cx, cxBase, 4), MulDiv(cy, cyBase, 8));
}

int AfxRunModalDialog(CDialog* pDlg, const DialogTemplate* pTemplate)
{
    if (pTemplate == nullptr || QtEnsureApplication(true) == nullptr)
        return -1;
    CWinAppImpl& s = QtState();
    if (s.pDialogKeys == nullptr)
    {
        s.pDialogKeys = new CQtDialogInput;
        s.pDialogKeys->setParent(s.pPoster.get());
        qApp->installEventFilter(s.pDialogKeys);
    }

    // Owned by the dialog that runs now, else by the main window: a dialog above its owner.
    CWnd* pOwner = pDlg->m_pParentWnd != nullptr ? pDlg->m_pParentWnd : s.pApp->m_pMainWnd;
    CWndImpl* pOwnerImpl = pOwner != pDlg ? CWndImpl::Of(pOwner) : nullptr;
    QWidget* pOwnerWidget =
        pOwnerImpl != nullptr && pOwnerImpl->pWidget != nullptr ? pOwnerImpl->pWidget->window() : nullptr;

    // A caption, the system menu's close and nothing to minimise or maximise, as the template says.
    const Qt::WindowFlags flags = (pOwnerWidget != nullptr ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint |
                                  Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    auto* pWidget = new CQtDialogWidget(pOwnerWidget, flags);
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    const CDialogMetrics metrics =
        QtDialogMetrics(pTemplate, pScreen != nullptr ? qRound(pScreen->logicalDotsPerInchY()) : 96);
    pWidget->setFont(metrics.font);
    pWidget->setWindowTitle(QString::fromUtf8(pTemplate->lpszTitle));
    pWidget->setWindowIcon(IconOf(AFX_IDR_MAINFRAME));
    pWidget->setWindowModality(Qt::ApplicationModal);
    pWidget->setFixedSize(metrics.MapDialogRect(0, 0, pTemplate->cx, pTemplate->cy).size());
    pWidget->move(metrics.MapDialogRect(pTemplate->x, pTemplate->y, 0, 0).topLeft());
    pWidget->winId();   // the preview, a window of its own, goes inside this one

    auto pImpl = std::make_unique<CWndImpl>();
    pImpl->pWnd = pDlg;
    pImpl->pWidget = pWidget;
    pImpl->bDialog = true;
    pImpl->dwStyle = pTemplate->dwStyle;
    pImpl->dwExStyle = pTemplate->dwExStyle;
    pImpl->className = "#32770";
    pImpl->text = pTemplate->lpszTitle;
    pImpl->hWnd = static_cast<WindowHandle>(pWidget->winId());
    CWndImpl* pDlgImpl = pImpl.get();
    const WindowHandle hDlg = pDlgImpl->hWnd;
    s.windows.emplace(hDlg, std::move(pImpl));
    CWndImpl::Attach(pDlg, pDlgImpl);

    for (std::size_t i = 0; i < pTemplate->nControls; ++i)
    {
        const DialogControl& c = pTemplate->pControls[i];
        auto pControl = std::make_unique<CWndImpl>();
        pControl->hWnd = s.hNextControl++;
        pControl->pParent = pDlgImpl;
        pControl->dwStyle = c.dwStyle;
        pControl->dwExStyle = c.dwExStyle;
        pControl->className = c.lpszClass;
        pControl->nID = c.nID;
        pControl->text = c.lpszText != nullptr ? c.lpszText : "";
        pControl->pWidget = QtMakeControl(c, pWidget, pControl->hWnd);
        pControl->pWidget->setGeometry(metrics.MapDialogRect(c.x, c.y, c.cx, c.cy));
        pControl->pWidget->setVisible((c.dwStyle & WS_VISIBLE) != 0);
        pControl->pWidget->setEnabled((c.dwStyle & WS_DISABLED) == 0);
        pControl->pOwnObject = std::make_unique<CWnd>();
        CWndImpl::Attach(pControl->pOwnObject.get(), pControl.get());
        pControl->pWnd = pControl->pOwnObject.get();
        pDlgImpl->children.push_back(pControl.get());
        const WindowHandle hControl = pControl->hWnd;
        s.windows.emplace(hControl, std::move(pControl));
    }

    if (pDlgImpl->Dispatch(WM_INITDIALOG, 0, 0) != 0 && s.Find(hDlg) == pDlgImpl)
        s.FocusFirstTabStop(pDlgImpl);

    if (!pDlg->m_bEnded && s.Find(hDlg) == pDlgImpl)
    {
        if ((pTemplate->dwStyle & WS_VISIBLE) != 0)
        {
            pWidget->show();
            pWidget->activateWindow();
        }
        QEventLoop loop;
        pDlgImpl->pModalLoop = &loop;
        loop.exec();
        if (s.Find(hDlg) == pDlgImpl)
            pDlgImpl->pModalLoop = nullptr;
    }
    if (CWndImpl* pNow = s.Find(hDlg); pNow != nullptr)
        s.Destroy(pNow);
    // The owner is active again, as the dialog manager leaves it.
    if (CWndImpl* pNow = s.Find(pOwnerImpl != nullptr ? pOwnerImpl->hWnd : 0);
        pNow != nullptr && pNow->pWidget != nullptr)
        pNow->pWidget->activateWindow();
    return pDlg->m_nModalResult;
}

void AfxEndModalDialog(CDialog* pDlg)
{
    // The dialog disappears: the focus leaves its controls, and an edit that held it says so.
    CWinAppImpl& s = QtState();
    CWndImpl* pDlgImpl = CWndImpl::Of(pDlg);
    if (pDlgImpl == nullptr)
        return;
    const WindowHandle hDlg = pDlgImpl->hWnd;
    s.LeaveDialog(pDlgImpl);
    if (CWndImpl* pNow = s.Find(hDlg); pNow != nullptr && pNow->pModalLoop != nullptr)
        pNow->pModalLoop->exit();
}

