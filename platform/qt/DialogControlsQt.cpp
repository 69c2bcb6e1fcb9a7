// The dialogs' controls on Qt Widgets: edits, buttons, labels and the arrow pairs, made from the
// template's entries; their text, selection and the arrows' hold as the shared dialog manager asks.

#include "platform/Dialog.h"
#include "platform/common/BackEnd.h"
#include "platform/qt/QtDialog.h"
#include "platform/qt/QtImpl.h"

#include <QBasicTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyleOption>
#include <QTimerEvent>

#include <string_view>

namespace
{
// An arrow pair (msctls_updown32): two halves that never take the focus. The dialog manager decides
// what a press, a repeat and a release do; the widget only reports them and draws the held half.
class CQtArrows : public QWidget
{
public:
    CQtArrows(QWidget* pParent, WindowHandle hWnd) : QWidget(pParent), m_hWnd(hWnd) { setFocusPolicy(Qt::NoFocus); }

    static CQtArrows* Of(const CWndImpl* pImpl) { return dynamic_cast<CQtArrows*>(pImpl->pWidget); }

    void Hold(UINT nMs)
    {
        if (nMs != 0)
            m_timer.start(static_cast<int>(nMs), this);
        else
            m_timer.stop();
        update();
    }

    bool PointerOver(bool bUpper) const { return HalfRect(bUpper).contains(m_ptPointer); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const CWndImpl* pSelf = QtState().Find(m_hWnd);
        QPainter painter(this);
        for (const bool bUpper : {true, false})
        {
            QStyleOptionButton button;
            button.initFrom(this);
            button.rect = HalfRect(bUpper);
            button.state |=
                pSelf != nullptr && QtState().IsArrowHeld(pSelf, bUpper) ? QStyle::State_Sunken : QStyle::State_Raised;
            style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &button, &painter, this);
            QStyleOption arrow;
            arrow.initFrom(this);
            arrow.rect = button.rect.adjusted(2, 1, -2, -1);
            style()->drawPrimitive(bUpper ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, &arrow,
                                   &painter, this);
        }
    }

    void mousePressEvent(QMouseEvent* e) override
    {
        CWndImpl* pSelf = QtState().Find(m_hWnd);
        if (e->button() != Qt::LeftButton || pSelf == nullptr)
            return;
        m_ptPointer = e->position().toPoint();
        QtState().PressArrow(pSelf, HalfRect(true).contains(m_ptPointer));
    }

    void mouseMoveEvent(QMouseEvent* e) override { m_ptPointer = e->position().toPoint(); }

    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton)
            QtState().ReleaseArrow();
    }

    void timerEvent(QTimerEvent* e) override
    {
        if (e->timerId() != m_timer.timerId())
            return QWidget::timerEvent(e);
        if (CWndImpl* pSelf = QtState().Find(m_hWnd); pSelf != nullptr)
            QtState().RepeatArrow(pSelf);
        else
            m_timer.stop();
    }

private:
    QRect HalfRect(bool bUpper) const
    {
        const int cyUpper = height() / 2;
        return bUpper ? QRect(0, 0, width(), cyUpper) : QRect(0, cyUpper, width(), height() - cyUpper);
    }

    WindowHandle m_hWnd;
    QBasicTimer m_timer;
    QPoint m_ptPointer;   // where the pointer was last seen over the arrows while held
};
}   // namespace

QWidget* QtMakeControl(const DialogControl& c, QWidget* pDlgWidget, WindowHandle hWnd)
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
            if (CWndImpl* pImpl = QtState().Find(hWnd); pImpl != nullptr && pImpl->pParent != nullptr)
                CWinAppImpl::NotifyClick(pImpl->pParent, pImpl->nID, pImpl);
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
    // Clicks and Tab move the focus through the dialog manager, never by Qt's own rules.
    pWidget->setFocusPolicy(Qt::NoFocus);
    return pWidget;
}

void CWinAppImpl::NativeSelectAll(CWndImpl* pEdit)
{
    if (auto* pLineEdit = qobject_cast<QLineEdit*>(pEdit->pWidget); pLineEdit != nullptr)
        pLineEdit->selectAll();
}

void CWinAppImpl::NativeArrowHold(CWndImpl* pArrows, UINT nMs)
{
    if (CQtArrows* pWidget = CQtArrows::Of(pArrows); pWidget != nullptr)
        pWidget->Hold(nMs);
}

bool CWinAppImpl::NativePointerOver(CWndImpl* pArrows, bool bUpper)
{
    const CQtArrows* pWidget = CQtArrows::Of(pArrows);
    return pWidget != nullptr && pWidget->PointerOver(bUpper);
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
