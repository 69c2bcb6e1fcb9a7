// Desktop dialogs on Qt Widgets, built from the program's templates: positions in dialog units
// turned into pixels as Windows turns them, the template's face found through fontconfig, and the
// dialog manager's keys (Tab, Enter, Escape, mnemonics, Alt+Space) and system menu.

#include "platform/Dialog.h"
#include "platform/common/BackEnd.h"
#include "platform/qt/QtDialog.h"
#include "platform/qt/QtImpl.h"
#include "res/Resource.h"

#include <QApplication>
#include <QBasicTimer>
#include <QEventLoop>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyleOption>
#include <QTimer>
#include <QTimerEvent>
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

// An arrow pair held down steps again after this pause, then at this rate, as Windows' does.
constexpr int kArrowFirstRepeatMs = 500;
constexpr int kArrowRepeatMs = 50;

CWndImpl* ChildWithID(const CWndImpl* pParent, int nID)
{
    return pParent != nullptr ? pParent->Child(nID) : nullptr;
}

// The dialog whose window pWidget is in; a message box or menu it owns is a window of its own.
CWndImpl* DialogOf(const QWidget* pWidget)
{
    CWndImpl* pImpl = QtState().FindWidget(pWidget->window());
    return pImpl != nullptr && pImpl->bDialog ? pImpl : nullptr;
}

void SendCommand(CWndImpl* pDlg, int nID, UINT nCode, WindowHandle hFrom)
{
    pDlg->Dispatch(WM_COMMAND, static_cast<std::uintptr_t>(nID & 0xFFFF) | (static_cast<std::uintptr_t>(nCode) << 16),
                   static_cast<std::intptr_t>(hFrom));
}

// A click by keyboard, as a mouse would make it: the button takes the focus first, and a message
// box that the edit losing it shows cancels the click.
void ClickButton(CWndImpl* pDlg, CWndImpl* pButton)
{
    CWinAppImpl& s = QtState();
    const WindowHandle hDlg = pDlg->hWnd;
    const WindowHandle hButton = pButton->hWnd;
    const int nID = pButton->nID;
    const int nBoxes = s.nBoxesShown;
    s.MoveFocus(pButton);
    if (CWndImpl* pNow = s.Find(hDlg); pNow != nullptr && s.nBoxesShown == nBoxes)
        SendCommand(pNow, nID, BN_CLICKED, hButton);
}

// The letter after '&' in a control's text, lower case; 0 when there is none.
QChar MnemonicOf(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i)
    {
        if (text[i] != '&')
            continue;
        if (text[i + 1] != '&')
            return text[i + 1].toLower();
        ++i;
    }
    return QChar();
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

// An arrow pair (msctls_updown32): two halves that never take the focus; each press, and each
// repeat while one is held, reports one step to the dialog.
class CQtArrows : public QWidget
{
public:
    CQtArrows(QWidget* pParent, WindowHandle hWnd) : QWidget(pParent), m_hWnd(hWnd) { setFocusPolicy(Qt::NoFocus); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        for (int nHalf = 0; nHalf < 2; ++nHalf)
        {
            QStyleOptionButton button;
            button.initFrom(this);
            button.rect = HalfRect(nHalf == 0);
            button.state |= (m_nHeld == (nHalf == 0 ? 1 : 2)) ? QStyle::State_Sunken : QStyle::State_Raised;
            style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &button, &painter, this);
            QStyleOption arrow;
            arrow.initFrom(this);
            arrow.rect = button.rect.adjusted(2, 1, -2, -1);
            style()->drawPrimitive(nHalf == 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, &arrow, &painter, this);
        }
    }

    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() != Qt::LeftButton)
            return;
        m_nHeld = HalfRect(true).contains(e->position().toPoint()) ? 1 : 2;
        update();
        m_timer.start(kArrowFirstRepeatMs, this);
        Step();
    }

    void mouseReleaseEvent(QMouseEvent*) override { Release(); }

    void timerEvent(QTimerEvent* e) override
    {
        if (e->timerId() != m_timer.timerId())
            return QWidget::timerEvent(e);
        m_timer.start(kArrowRepeatMs, this);
        Step();
    }

private:
    QRect HalfRect(bool bUpper) const
    {
        const int cyUpper = height() / 2;
        return bUpper ? QRect(0, 0, width(), cyUpper) : QRect(0, cyUpper, width(), height() - cyUpper);
    }

    void Release()
    {
        m_timer.stop();
        m_nHeld = 0;
        update();
    }

    void Step()
    {
        CWinAppImpl& s = QtState();
        CWndImpl* pSelf = s.Find(m_hWnd);
        if (pSelf == nullptr || pSelf->pParent == nullptr || m_nHeld == 0)
            return Release();
        const WindowHandle hSelf = m_hWnd;
        const int nID = pSelf->nID;
        // The default range runs from 100 down to 0, so the upper arrow lowers the position.
        CNmUpDown notify{{hSelf, static_cast<std::uintptr_t>(nID), UDN_DELTAPOS}, pSelf->nUpDownPos, m_nHeld == 1 ? -1 : 1};
        const int nBoxes = s.nBoxesShown;
        const QPointer<CQtArrows> pGuard(this);
        const std::intptr_t lResult =
            pSelf->pParent->Dispatch(WM_NOTIFY, static_cast<std::uintptr_t>(nID), reinterpret_cast<std::intptr_t>(&notify));
        if (pGuard.isNull())
            return;
        if (CWndImpl* pNow = s.Find(hSelf); pNow != nullptr && lResult == 0)
            pNow->nUpDownPos = std::clamp(pNow->nUpDownPos + notify.iDelta, 0, 100);
        // A message box took the mouse: the arrow was let go.
        if (s.nBoxesShown != nBoxes)
            Release();
    }

    WindowHandle m_hWnd;
    QBasicTimer m_timer;
    int m_nHeld = 0;   // 1: the upper arrow, 2: the lower one
};

// The dialog manager's keys and the click that a message box cancelled, for every dialog's widgets.
class CQtDialogKeys : public QObject
{
protected:
    bool eventFilter(QObject* pObject, QEvent* e) override
    {
        if (!pObject->isWidgetType())
            return false;
        if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick)
        {
            CWinAppImpl& s = QtState();
            if (s.bCancelPress && DialogOf(static_cast<QWidget*>(pObject)) != nullptr)
            {
                s.bCancelPress = false;
                return true;
            }
            return false;
        }
        if (e->type() != QEvent::KeyPress)
            return false;
        CWndImpl* pDlg = DialogOf(static_cast<QWidget*>(pObject));
        if (pDlg == nullptr)
            return false;
        return OnKey(pDlg, static_cast<QKeyEvent*>(e));
    }

private:
    static bool OnKey(CWndImpl* pDlg, const QKeyEvent* pKey)
    {
        CWinAppImpl& s = QtState();
        const Qt::KeyboardModifiers modifiers = pKey->modifiers() & ~Qt::KeypadModifier;
        CWndImpl* pFocus = s.Find(s.hFocus);
        if (pFocus != nullptr && pFocus->pParent != pDlg)
            pFocus = nullptr;
        switch (pKey->key())
        {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (modifiers != Qt::NoModifier)
                return false;
            // The focused push button, else the dialog's default one.
            if (pFocus != nullptr && pFocus->className == "BUTTON")
                SendCommand(pDlg, pFocus->nID, BN_CLICKED, pFocus->hWnd);
            else
                SendCommand(pDlg, static_cast<int>(static_cast<CDialog*>(pDlg->pWnd)->GetDefID()), BN_CLICKED, 0);
            return true;
        case Qt::Key_Escape:
            SendCommand(pDlg, IDCANCEL, BN_CLICKED, 0);
            return true;
        case Qt::Key_Space:
            if (modifiers != Qt::AltModifier)
                return false;
            ShowSystemMenu(pDlg, pDlg->pWidget->mapToGlobal(QPoint(0, 0)));
            return true;
        default: break;
        }
        // A mnemonic: with Alt anywhere, alone where the focus is not in an edit.
        // With Alt some keyboards give no text: the key then says which letter it was.
        const QString text = pKey->text();
        const int key = pKey->key();
        const QChar ch = text.size() == 1 ? text[0]
                         : (key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z) ? QChar(key)
                                                                                                            : QChar();
        const bool bAlt = modifiers == Qt::AltModifier;
        if (!ch.isLetterOrNumber() || !(bAlt || (modifiers == Qt::NoModifier && (pFocus == nullptr || pFocus->className != "EDIT"))))
            return false;
        for (CWndImpl* pChild : pDlg->children)
        {
            if (pChild->className == "BUTTON" && pChild->pWidget != nullptr && pChild->pWidget->isVisible() &&
                MnemonicOf(QString::fromStdString(pChild->text)) == ch.toLower())
            {
                ClickButton(pDlg, pChild);
                return true;
            }
        }
        return bAlt;
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
    const bool bGothic = face.find("ゴシック") != std::string_view::npos || face.find("Gothic") != std::string_view::npos;
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
    const QImage image(reinterpret_cast<const uchar*>(hIcon->pPixels), hIcon->cx, hIcon->cy, hIcon->cx * 4, QImage::Format_ARGB32);
    return QIcon(QPixmap::fromImage(image.copy()));
}

QWidget* MakeControl(const DialogControl& c, QWidget* pDlgWidget, WindowHandle hWnd)
{
    const std::string_view cls = c.lpszClass;
    const QString text = QString::fromUtf8(c.lpszText != nullptr ? c.lpszText : "");
    QWidget* pWidget = nullptr;
    if (cls == "EDIT")
    {
        auto* pEdit = new QLineEdit(pDlgWidget);
        if ((c.dwExStyle & WS_EX_RIGHT) != 0)
            pEdit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        pEdit->setText(text);
        pWidget = pEdit;
    }
    else if (cls == "BUTTON")
    {
        auto* pButton = new QPushButton(text, pDlgWidget);
        // Enter and the mnemonic are the dialog's to handle, as Windows' dialog manager does.
        pButton->setAutoDefault(false);
        pButton->setShortcut(QKeySequence());
        pWidget = pButton;
        QObject::connect(pButton, &QPushButton::clicked, pButton, [hWnd]() {
            CWinAppImpl& s = QtState();
            if (CWndImpl* pImpl = s.Find(hWnd); pImpl != nullptr && pImpl->pParent != nullptr)
                SendCommand(pImpl->pParent, pImpl->nID, BN_CLICKED, hWnd);
        });
    }
    else if (cls == "msctls_updown32")
        pWidget = new CQtArrows(pDlgWidget, hWnd);
    else
    {
        auto* pLabel = new QLabel(text, pDlgWidget);
        pLabel->setTextFormat(Qt::PlainText);
        pLabel->setAlignment(((c.dwStyle & 0xF) == SS_CENTER ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
        pWidget = pLabel;
    }
    pWidget->setFocusPolicy((c.dwStyle & WS_TABSTOP) != 0 ? Qt::StrongFocus : Qt::NoFocus);
    return pWidget;
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
    const int cxAlphabet = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
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
        s.pDialogKeys = new CQtDialogKeys;
        s.pDialogKeys->setParent(s.pPoster.get());
        qApp->installEventFilter(s.pDialogKeys);
    }

    // Owned by the dialog that runs now, else by the main window: a dialog above its owner.
    CWnd* pOwner = pDlg->m_pParentWnd != nullptr ? pDlg->m_pParentWnd : s.pApp->m_pMainWnd;
    CWndImpl* pOwnerImpl = pOwner != pDlg ? CWndImpl::Of(pOwner) : nullptr;
    QWidget* pOwnerWidget = pOwnerImpl != nullptr && pOwnerImpl->pWidget != nullptr ? pOwnerImpl->pWidget->window() : nullptr;

    // A caption, the system menu's close and nothing to minimise or maximise, as the template says.
    const Qt::WindowFlags flags = (pOwnerWidget != nullptr ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint |
                                  Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    auto* pWidget = new CQtDialogWidget(pOwnerWidget, flags);
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    const CDialogMetrics metrics = QtDialogMetrics(pTemplate, pScreen != nullptr ? qRound(pScreen->logicalDotsPerInchY()) : 96);
    pWidget->setFont(metrics.font);
    pWidget->setWindowTitle(QString::fromUtf8(pTemplate->lpszTitle));
    pWidget->setWindowIcon(IconOf(IDR_MAINFRAME));
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

    // Template order is the order of Tab.
    QWidget* pPreviousStop = nullptr;
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
        pControl->pWidget = MakeControl(c, pWidget, pControl->hWnd);
        pControl->pWidget->setGeometry(metrics.MapDialogRect(c.x, c.y, c.cx, c.cy));
        pControl->pWidget->setVisible((c.dwStyle & WS_VISIBLE) != 0);
        if ((c.dwStyle & WS_TABSTOP) != 0)
        {
            if (pPreviousStop != nullptr)
                QWidget::setTabOrder(pPreviousStop, pControl->pWidget);
            pPreviousStop = pControl->pWidget;
        }
        pControl->pOwnObject = std::make_unique<CWnd>();
        CWndImpl::Attach(pControl->pOwnObject.get(), pControl.get());
        pControl->pWnd = pControl->pOwnObject.get();
        pDlgImpl->children.push_back(pControl.get());
        const WindowHandle hControl = pControl->hWnd;
        s.windows.emplace(hControl, std::move(pControl));
    }

    if (pDlgImpl->Dispatch(WM_INITDIALOG, 0, 0) != 0 && s.Find(hDlg) == pDlgImpl)
    {
        for (CWndImpl* pChild : pDlgImpl->children)
        {
            if ((pChild->dwStyle & (WS_TABSTOP | WS_VISIBLE)) == (WS_TABSTOP | WS_VISIBLE))
            {
                pDlg->GotoDlgCtrl(pChild->pWnd);
                break;
            }
        }
    }

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
    if (CWndImpl* pNow = s.Find(pOwnerImpl != nullptr ? pOwnerImpl->hWnd : 0); pNow != nullptr && pNow->pWidget != nullptr)
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
    if (CWndImpl* pFocus = s.Find(s.hFocus); pFocus != nullptr && pFocus->pParent == pDlgImpl)
        s.MoveFocus(nullptr);
    if (CWndImpl* pNow = s.Find(hDlg); pNow != nullptr && pNow->pModalLoop != nullptr)
        pNow->pModalLoop->exit();
}

CWnd* CDialog::GetDlgItem(int nID) const
{
    CWndImpl* pChild = ChildWithID(CWndImpl::Of(this), nID);
    return pChild != nullptr ? pChild->pWnd : nullptr;
}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl)
{
    if (pWndCtrl == nullptr)
        return;
    pWndCtrl->SetFocus();
    // An edit the focus lands in shows its whole text selected, ready to be typed over.
    CWndImpl* pImpl = CWndImpl::Of(pWndCtrl);
    if (pImpl != nullptr && pImpl->hWnd == QtState().hFocus)
        if (auto* pEdit = qobject_cast<QLineEdit*>(pImpl->pWidget); pEdit != nullptr)
            pEdit->selectAll();
}

void QtSetWidgetText(CWndImpl* pImpl, const std::string& text)
{
    const QString qText = QString::fromStdString(text);
    if (pImpl->pWidget->isWindow())
        pImpl->pWidget->setWindowTitle(qText);
    else if (auto* pEdit = qobject_cast<QLineEdit*>(pImpl->pWidget); pEdit != nullptr)
        pEdit->setText(qText);
    else if (auto* pButton = qobject_cast<QPushButton*>(pImpl->pWidget); pButton != nullptr)
    {
        pButton->setText(qText);
        pButton->setShortcut(QKeySequence());
    }
    else if (auto* pLabel = qobject_cast<QLabel*>(pImpl->pWidget); pLabel != nullptr)
        pLabel->setText(qText);
}

std::string QtWidgetText(const CWndImpl* pImpl)
{
    if (const auto* pEdit = qobject_cast<const QLineEdit*>(pImpl->pWidget); pEdit != nullptr)
        return pEdit->text().toStdString();
    return pImpl->text;
}
