// The settings dialog on Qt Widgets, driven in-process on the test's own Xvfb display with real
// mouse clicks and keys: what it shows, its layout and glyphs, the arrows, the message boxes of a
// failed check in their order, the keys of a dialog, and what reaches the profile.

#include "app/SaverApp.h"
#include "platform/WinApp.h"
#include "platform/qt/QtDialog.h"
#include "platform/qt/QtImpl.h"
#include "res/Resource.h"
#include "settings/SettingsDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRawFont>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace
{
const std::string kPeriodRange = "1 から 1000 までの整数を入力してください。";
const std::string kAtLeastOne = "1 以上の整数を入力してください。";

struct BoxSeen
{
    std::string text;
    std::string caption;
    QMessageBox::Icon icon;
    bool bOwnedByDialog;
    bool bPreviewTicked;   // the preview's flakes moved while the box was open
};

class SettingsDlgQtTest : public testing::Test
{
public:
    SettingsDlgQtTest()
    {
        m_strProfile = m_dir.filePath("kelvane.ini").toStdString();
        AfxGetApp()->m_strProfileName = m_strProfile;
        // Boxes are answered as they appear, inside whichever modal loop runs then.
        m_boxCloser.setInterval(5);
        QObject::connect(&m_boxCloser, &QTimer::timeout, [this]() { CloseBoxes(); });
        m_boxCloser.start();
    }

    void WriteProfile(const std::string& keys)
    {
        QFile file(QString::fromStdString(m_strProfile));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString("[Config-Ver102]\n" + keys));
    }

    std::string ProfileBytes() const
    {
        QFile file(QString::fromStdString(m_strProfile));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("(none)");
    }

    // Runs the dialog modally; the user's steps run inside its loop once its window is active.
    int Run(CDialog& dlg, const std::function<void()>& user)
    {
        m_pDlg = &dlg;
        QTimer::singleShot(0, [this, &dlg, user]() {
            EXPECT_TRUE(QTest::qWaitForWindowActive(DialogWidget()));
            user();
            if (!Ended())
                Dlg()->Dispatch(WM_COMMAND, IDCANCEL, 0);
        });
        return dlg.DoModal();
    }

    CWndImpl* Dlg() const { return CWndImpl::Of(m_pDlg); }
    // The dialog has ended its modal run; its window goes once the user's steps return to the loop.
    bool Ended() const { return Dlg() == nullptr || Dlg()->pModalLoop == nullptr || !Dlg()->pModalLoop->isRunning(); }
    QWidget* DialogWidget() const { return Dlg()->pWidget; }
    QWidget* Item(int nID) const { return CWndImpl::Of(m_pDlg->GetDlgItem(nID))->pWidget; }
    std::string Text(int nID) const { return m_pDlg->GetDlgItem(nID)->GetWindowText(); }
    QWidget* FocusWidget() const { return QApplication::focusWidget(); }

    // A real click: through the window, as the display would deliver it.
    void Click(QWidget* pWidget, QPoint pt = QPoint(-1, -1))
    {
        if (pt == QPoint(-1, -1))
            pt = pWidget->rect().center();
        QTest::mouseClick(pWidget->window()->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                          pWidget->mapTo(pWidget->window(), pt));
        QTest::qWait(20);
    }
    // A click through the X server itself, as the user's comes: the program reads it from its queue.
    static void ClickThroughX(QWidget* pWidget, QPoint ptIn = QPoint(-1, -1))
    {
        const QPoint pt = pWidget->mapToGlobal(ptIn == QPoint(-1, -1) ? pWidget->rect().center() : ptIn);
        ASSERT_EQ(
            QProcess::execute("xdotool", {"mousemove", QString::number(pt.x()), QString::number(pt.y()), "click", "1"}),
            0);
    }
    void ClickArrow(int nID, bool bUpper)
    {
        QWidget* pArrows = Item(nID);
        Click(pArrows, QPoint(pArrows->width() / 2, bUpper ? 2 : pArrows->height() - 3));
    }
    void Type(int nID, const QString& text)
    {
        Click(Item(nID));
        static_cast<QLineEdit*>(Item(nID))->selectAll();
        QTest::keyClicks(Item(nID), text);
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(FocusWidget() != nullptr ? FocusWidget() : DialogWidget(), key, modifiers);
        QTest::qWait(20);
    }

    std::vector<std::string> BoxTexts() const
    {
        std::vector<std::string> texts;
        for (const BoxSeen& box : m_boxes)
            texts.push_back(box.text);
        return texts;
    }

    QTemporaryDir m_dir;
    std::string m_strProfile;
    CDialog* m_pDlg = nullptr;
    QTimer m_boxCloser;
    std::vector<BoxSeen> m_boxes;
    std::function<bool(QMenu*)> m_menuHandler;   // answers an open menu; true: answered
    std::function<void()> m_onFirstBox;          // runs while the next box is open, before it closes
    int m_nBoxReadMs = 0;                        // how long each box stays open, as a user reads it
    bool m_bCloseAbout = false;                  // an About box that opens is seen, then closed with Escape
    bool m_bAboutShown = false;

    const CSnowWnd* m_pPreview = nullptr;   // watched while each box is open

private:
    bool PreviewTicks() const
    {
        const auto yOf = [this]() {
            std::vector<double> y;
            for (const Flake& flake : m_pPreview->GetFlakes())
                y.push_back(flake.y);
            return y;
        };
        const std::vector<double> before = yOf();
        QTest::qWait(3 * static_cast<int>(m_pPreview->GetPeriod()) + 50);
        return !before.empty() && yOf() != before;
    }

    void CloseBoxes()
    {
        for (QWidget* pWidget : QApplication::topLevelWidgets())
        {
            if (auto* pBox = qobject_cast<QMessageBox*>(pWidget); pBox != nullptr && pBox->isVisible())
            {
                m_boxCloser.stop();
                QTest::qWait(m_nBoxReadMs);
                const bool bTicked = m_pPreview != nullptr && PreviewTicks();
                m_boxCloser.start();
                m_boxes.push_back({pBox->text().toStdString(), pBox->windowTitle().toStdString(), pBox->icon(),
                                   m_pDlg != nullptr && m_pDlg->IsWindow() && pBox->parentWidget() == DialogWidget(),
                                   bTicked});
                if (m_onFirstBox)
                    std::exchange(m_onFirstBox, nullptr)();
                pBox->done(QMessageBox::Ok);
                return;
            }
            if (m_bCloseAbout && pWidget->isVisible() && pWidget->windowTitle() == "Kelvaneについて" &&
                pWidget->isActiveWindow())
            {
                m_bAboutShown = true;
                m_bCloseAbout = false;
                QTest::keyClick(pWidget, Qt::Key_Escape);
                return;
            }
            if (auto* pMenu = qobject_cast<QMenu*>(pWidget); pMenu != nullptr && pMenu->isVisible() && m_menuHandler)
            {
                if (m_menuHandler(pMenu))
                    m_menuHandler = nullptr;
                return;
            }
        }
    }
};
}   // namespace

TEST_F(SettingsDlgQtTest, OpensWithTheProfileOrTheDefaultsTheFocusOnThePeriodAndThePreviewOverThePlaceholder)
{
    struct Case
    {
        const char* name;
        std::string profile;
        std::vector<std::string> edits;   // period, count, pixel ratio, time step, gravitation, resistance, flutter
    };
    const Case cases[] = {
        {"no profile", "", {"40", "100", "210", "0.05", "9.8", "0.25", "50"}},
        {"a profile beyond the ranges",
         "Period=5000\nCount=7\nFlutter=12.5\n",
         {"5000", "7", "210", "0.05", "9.8", "0.25", "12.5"}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        if (!c.profile.empty())
            WriteProfile(c.profile);
        CSettingsDlg dlg;
        Run(dlg, [&]() {
            std::vector<std::string> edits;
            for (const int nID :
                 {IDC_PERIOD, IDC_COUNT, IDC_PIXELRATIO, IDC_DELTATIME, IDC_GRAVITATION, IDC_RESISTANCE, IDC_FLUTTER})
            {
                edits.push_back(Text(nID));
                EXPECT_TRUE(static_cast<QLineEdit*>(Item(nID))->alignment() & Qt::AlignRight);
            }
            EXPECT_EQ(edits, c.edits);
            EXPECT_EQ(FocusWidget(), Item(IDC_PERIOD));
            EXPECT_EQ(static_cast<QLineEdit*>(Item(IDC_PERIOD))->selectedText().toStdString(), c.edits[0]);

            // The preview: a window of its own over the invisible placeholder, without a cursor.
            const CSnowWnd& preview = dlg.GetPreview();
            ASSERT_TRUE(preview.IsWindow());
            EXPECT_FALSE(Item(IDC_PREVIEW)->isVisible());
            CRect rcPreview;
            preview.GetWindowRect(&rcPreview);
            const QRect rcPlace(Item(IDC_PREVIEW)->mapToGlobal(QPoint(0, 0)), Item(IDC_PREVIEW)->size());
            EXPECT_EQ(rcPreview, CRect(rcPlace.left(), rcPlace.top(), rcPlace.right() + 1, rcPlace.bottom() + 1));
            const QWindow* pPreview = CWndImpl::Of(&preview)->pWindow;
            EXPECT_TRUE(pPreview->isVisible());
            EXPECT_EQ(pPreview->cursor().shape(), Qt::BlankCursor);
        });
    }
}

TEST_F(SettingsDlgQtTest, TheLayoutIsThatOfWindowsForTheIpaMinchoFace)
{
    const DialogTemplate* pTemplate = AfxFindDialogTemplate(IDD_SETTINGS);
    const CDialogMetrics metrics = QtDialogMetrics(pTemplate, 96);
    if (metrics.font.family() != "IPAMincho")
        GTEST_SKIP() << "IPAMincho (fonts-ipafont-mincho) is not installed; the face found is "
                     << metrics.font.family().toStdString();
    EXPECT_EQ(metrics.font.pixelSize(), 15);   // 11 pt at 96 dpi, rounded as Windows rounds it
    EXPECT_EQ(metrics.cxBase, 8);
    EXPECT_EQ(metrics.cyBase, 16);

    CSettingsDlg dlg;
    Run(dlg, [&]() {
        EXPECT_EQ(DialogWidget()->size(), QSize(480, 284));
        struct Case
        {
            int nID;
            QRect rc;
        };
        for (const Case& c : {Case{IDC_PERIOD, QRect(164, 10, 60, 24)}, Case{IDC_PERIOD_SPIN, QRect(224, 10, 20, 24)},
                              Case{IDC_FLUTTER, QRect(164, 202, 60, 24)}, Case{IDC_APPLY, QRect(18, 240, 170, 28)},
                              Case{IDOK, QRect(344, 10, 110, 28)}, Case{IDC_PREVIEW, QRect(334, 146, 128, 96)}})
        {
            SCOPED_TRACE(c.nID);
            EXPECT_EQ(Item(c.nID)->geometry(), c.rc);
        }
    });
}

TEST_F(SettingsDlgQtTest, EveryTextOfTheDialogHasRealGlyphsInItsFont)
{
    const DialogTemplate* pTemplate = AfxFindDialogTemplate(IDD_SETTINGS);
    const CDialogMetrics metrics = QtDialogMetrics(pTemplate, 96);
    const QRawFont raw = QRawFont::fromFont(metrics.font);
    ASSERT_TRUE(raw.isValid());
    QString texts = QString::fromUtf8(pTemplate->lpszTitle);
    for (std::size_t i = 0; i < pTemplate->nControls; ++i)
        texts += QString::fromUtf8(pTemplate->pControls[i].lpszText);
    for (const QChar ch : texts)
    {
        if (ch == '&' || ch.isSpace())
            continue;
        SCOPED_TRACE(QString(ch).toStdString());
        EXPECT_TRUE(raw.supportsCharacter(ch)) << "in " << metrics.font.family().toStdString();
        EXPECT_TRUE(QFontMetrics(metrics.font).inFont(ch));
    }
}

TEST_F(SettingsDlgQtTest, ArrowsStepOnePerClickAndKeepTheFocusWhereItWas)
{
    CSettingsDlg dlg;
    Run(dlg, [&]() {
        struct Case
        {
            int nArrows;
            bool bUpper;
            int nEdit;
            std::string expected;
        };
        const Case cases[] = {
            {IDC_PERIOD_SPIN, true, IDC_PERIOD, "41"},  {IDC_PERIOD_SPIN, false, IDC_PERIOD, "40"},
            {IDC_PERIOD_SPIN, false, IDC_PERIOD, "39"}, {IDC_RESISTANCE_SPIN, true, IDC_RESISTANCE, "0.251"},
            {IDC_COUNT_SPIN, false, IDC_COUNT, "99"},   {IDC_FLUTTER_SPIN, true, IDC_FLUTTER, "51"},
        };
        for (const Case& c : cases)
        {
            SCOPED_TRACE(c.nArrows);
            ClickArrow(c.nArrows, c.bUpper);
            EXPECT_EQ(Text(c.nEdit), c.expected);
            EXPECT_EQ(FocusWidget(), Item(IDC_PERIOD));
        }
        EXPECT_EQ(dlg.GetPreview().GetPeriod(), 39u);
        EXPECT_DOUBLE_EQ(dlg.GetPreview().GetResistance(), 0.251);
        EXPECT_TRUE(m_boxes.empty());

        // Held down, the arrow repeats, one step each time.
        QWindow* pWindow = DialogWidget()->windowHandle();
        const QPoint ptUpper = Item(IDC_GRAVITATION_SPIN)->mapTo(DialogWidget(), QPoint(5, 2));
        QTest::mousePress(pWindow, Qt::LeftButton, Qt::NoModifier, ptUpper);
        QTRY_VERIFY_WITH_TIMEOUT(std::stod(Text(IDC_GRAVITATION)) >= 10.15, 5000);
        QTest::mouseRelease(pWindow, Qt::LeftButton, Qt::NoModifier, ptUpper);
        const std::string held = Text(IDC_GRAVITATION);
        QTest::qWait(700);
        EXPECT_EQ(Text(IDC_GRAVITATION), held);   // let go, it stops
        const double dSteps = (std::stod(held) - 9.8) / 0.1;
        EXPECT_NEAR(dSteps, std::round(dSteps), 1e-6) << held;
    });
}

TEST_F(SettingsDlgQtTest, AtAUsersPaceAnArrowAtItsBoundBringsOneBoxAndOkThenAccepts)
{
    struct Case
    {
        const char* profile;
        int nArrows;
        int nEdit;
        std::string box;
        std::string shown;
    };
    // The focus stays in the period, where the dialog put it: each box starts the period's handler.
    // The flutter's check negates what that handler's exchange put back: 0, never "-0".
    const Case cases[] = {
        {"Period=1\n", IDC_PERIOD_SPIN, IDC_PERIOD, kAtLeastOne, "1"},
        {"PixelRatio=50\n", IDC_PIXELRATIO_SPIN, IDC_PIXELRATIO, "50.000000 以上の値を入力してください。", "50"},
        {"DeltaTime=0.001\n", IDC_DELTATIME_SPIN, IDC_DELTATIME, "0.001000 以上の値を入力してください。", "0.001"},
        {"Flutter=0\n", IDC_FLUTTER_SPIN, IDC_FLUTTER, "正の値を入力してください。", "0"},
    };
    m_nBoxReadMs = 2000;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.profile);
        WriteProfile(c.profile);
        m_boxes.clear();
        CSettingsDlg dlg;
        const int nResult = Run(dlg, [&]() {
            QWidget* pArrows = Item(c.nArrows);
            ClickThroughX(pArrows, QPoint(pArrows->width() / 2, pArrows->height() - 3));
            QTRY_COMPARE_WITH_TIMEOUT(m_boxes.size(), 1u, 10000);
            QTest::qWait(1500);   // a click that went on repeating would have brought its next box by now
            EXPECT_EQ(BoxTexts(), std::vector<std::string>{c.box});
            EXPECT_EQ(Text(c.nEdit), c.shown);
            Click(Item(IDOK));
        });
        EXPECT_EQ(nResult, IDOK);
    }
}

TEST_F(SettingsDlgQtTest, APeriodOfZeroAppliedBringsFourBoxesOwnedByTheDialogWhileThePreviewSnowsAndEndsAtOne)
{
    CSettingsDlg dlg;
    Run(dlg, [&]() {
        m_pPreview = &dlg.GetPreview();
        Type(IDC_PERIOD, "0");
        ClickThroughX(Item(IDC_APPLY));
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes.size(), 4u, 10000);
        EXPECT_EQ(BoxTexts(), (std::vector<std::string>{kPeriodRange, kPeriodRange, kAtLeastOne, kAtLeastOne}));
        for (const BoxSeen& box : m_boxes)
        {
            EXPECT_EQ(box.caption, "Kelvane");
            EXPECT_EQ(box.icon, QMessageBox::Warning);
            EXPECT_TRUE(box.bOwnedByDialog);
            EXPECT_TRUE(box.bPreviewTicked) << box.text << " #" << (&box - m_boxes.data());
        }
        m_pPreview = nullptr;
        EXPECT_EQ(Text(IDC_PERIOD), "1");
        EXPECT_EQ(dlg.GetPreview().GetPeriod(), 1u);
        QTRY_COMPARE(FocusWidget(), Item(IDC_PERIOD));
    });
}

TEST_F(SettingsDlgQtTest, TabFollowsTheTemplateAndARefusedOkLeavesTheFailingEditFocusedAndSelected)
{
    CSettingsDlg dlg;
    Run(dlg, [&]() {
        // Tab runs through the edits, then the buttons, in template order, and round again.
        std::vector<int> order;
        for (int i = 0; i < 12; ++i)
        {
            Key(Qt::Key_Tab);
            order.push_back(QtState().FindWidget(FocusWidget())->nID);
        }
        EXPECT_EQ(order,
                  (std::vector<int>{IDC_COUNT, IDC_PIXELRATIO, IDC_DELTATIME, IDC_GRAVITATION, IDC_RESISTANCE,
                                    IDC_FLUTTER, IDC_APPLY, IDOK, IDCANCEL, IDC_DEFAULT, IDC_PERIOD, IDC_COUNT}));
        EXPECT_TRUE(m_boxes.empty());

        // Enter in the edit: OK's exchange refuses the value; its own message starts no handler.
        Type(IDC_GRAVITATION, "100");
        Key(Qt::Key_Return);
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{"0.1 から 99.9 までの数値を入力してください。"});
        EXPECT_FALSE(Ended());
        QTRY_COMPARE(FocusWidget(), Item(IDC_GRAVITATION));
        EXPECT_EQ(static_cast<QLineEdit*>(Item(IDC_GRAVITATION))->selectedText().toStdString(), "100");
    });
}

TEST_F(SettingsDlgQtTest, AClickOnOkThatLostItsFocusToABoxIsNoClick)
{
    CSettingsDlg dlg;
    const int nResult = Run(dlg, [&]() {
        Type(IDC_COUNT, "0");
        // The button is let go while the first box is open, as a user's click is.
        QWindow* pWindow = DialogWidget()->windowHandle();
        const QPoint pt = Item(IDOK)->mapTo(DialogWidget(), Item(IDOK)->rect().center());
        m_onFirstBox = [=]() { QTest::mouseRelease(pWindow, Qt::LeftButton, Qt::NoModifier, pt); };
        QTest::mousePress(pWindow, Qt::LeftButton, Qt::NoModifier, pt);
        QTest::qWait(20);
        EXPECT_EQ(m_boxes.size(), 4u);
        EXPECT_FALSE(Ended());
        EXPECT_FALSE(static_cast<QPushButton*>(Item(IDOK))->isDown());
        EXPECT_EQ(Text(IDC_COUNT), "1");
        // Nothing stays pressed: the next click is a click.
        QTest::qWait(QApplication::doubleClickInterval());
        Click(Item(IDOK));
        EXPECT_TRUE(Ended());
    });
    EXPECT_EQ(nResult, IDOK);
    EXPECT_EQ(dlg.m_nCount, 1u);
}

TEST_F(SettingsDlgQtTest, OkWritesTheProfileAndCancelEscapeOrCloseWriteNothing)
{
    struct Case
    {
        const char* name;
        std::function<void(SettingsDlgQtTest&)> finish;
        bool bWrites;
    };
    const Case cases[] = {
        {"OK clicked", [](SettingsDlgQtTest& t) { t.Click(t.Item(IDOK)); }, true},
        {"Enter in an edit", [](SettingsDlgQtTest& t) { t.Key(Qt::Key_Return); }, true},
        {"Cancel clicked", [](SettingsDlgQtTest& t) { t.Click(t.Item(IDCANCEL)); }, false},
        {"Escape", [](SettingsDlgQtTest& t) { t.Key(Qt::Key_Escape); }, false},
        {"the window manager's close", [](SettingsDlgQtTest& t) { t.DialogWidget()->close(); }, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        QFile::remove(QString::fromStdString(m_strProfile));
        bool bRan = false;
        QTimer::singleShot(0, [&]() {
            for (QWidget* pWidget : QApplication::topLevelWidgets())
                if (pWidget->windowTitle() == "Kelvaneの設定" && pWidget->isVisible())
                    m_pDlg = static_cast<CDialog*>(QtState().FindWidget(pWidget)->pWnd);
            ASSERT_NE(m_pDlg, nullptr);
            ASSERT_TRUE(QTest::qWaitForWindowActive(DialogWidget()));
            ClickArrow(IDC_COUNT_SPIN, true);
            c.finish(*this);
            bRan = true;
        });
        static_cast<CSaverApp*>(AfxGetApp())->RunSettings();
        // The dialog was the main window: its end asked the loop to quit, as the program wants; the
        // tests after this one still need the loop.
        QCoreApplication::removePostedEvents(QtState().pPoster.get());
        QtState().bQuit = false;
        EXPECT_TRUE(bRan);
        m_pDlg = nullptr;
        EXPECT_EQ(ProfileBytes(), c.bWrites ? "[Config-Ver102]\nPeriod=40\nCount=101\nPixelRatio=210\nDeltaTime=0.05\n"
                                              "Gravitation=9.8\nResistance=0.25\nFlutter=50\n"
                                            : "(none)");
    }
}

TEST_F(SettingsDlgQtTest, TheMnemonicAndEnterOnAFocusedButtonPressItAndTheSystemMenuOpensTheAboutBox)
{
    WriteProfile("Period=70\nCount=300\n");
    CSettingsDlg dlg;
    Run(dlg, [&]() {
        EXPECT_EQ(Text(IDC_COUNT), "300");
        Key(Qt::Key_D, Qt::AltModifier);
        EXPECT_EQ(Text(IDC_PERIOD), "40");
        EXPECT_EQ(Text(IDC_COUNT), "100");
        EXPECT_EQ(FocusWidget(), Item(IDC_DEFAULT));   // as a click, the button took the focus
        // Enter presses the focused button, not OK.
        static_cast<QLineEdit*>(Item(IDC_COUNT))->setText("250");
        Key(Qt::Key_Return);
        EXPECT_FALSE(Ended());
        EXPECT_EQ(Text(IDC_COUNT), "100");

        // A right-click on the dialog's background opens its system menu too; Escape closes it.
        std::vector<std::string> rightClickItems;
        m_menuHandler = [&](QMenu* pMenu) {
            for (QAction* pAction : pMenu->actions())
                rightClickItems.push_back(pAction->isSeparator() ? "-" : pAction->text().toStdString());
            QTest::keyClick(pMenu, Qt::Key_Escape);
            return true;
        };
        QTest::mouseClick(DialogWidget()->windowHandle(), Qt::RightButton, Qt::NoModifier, QPoint(4, 4));
        QTRY_COMPARE(rightClickItems.size(), 3u);
        EXPECT_FALSE(Ended());

        std::vector<std::string> items;
        m_menuHandler = [&](QMenu* pMenu) {
            for (QAction* pAction : pMenu->actions())
                items.push_back(pAction->isSeparator() ? "-" : pAction->text().toStdString());
            pMenu->setActiveAction(pMenu->actions().back());
            QTest::keyClick(pMenu, Qt::Key_Return);
            return true;
        };
        m_bCloseAbout = true;
        Key(Qt::Key_Space, Qt::AltModifier);
        QTRY_VERIFY(m_bAboutShown);
        EXPECT_EQ(items, (std::vector<std::string>{"閉じる(&C)", "-", "&About Saver..."}));
        EXPECT_FALSE(Ended());
    });
}

TEST_F(SettingsDlgQtTest, AMessageBoxAfterTheMainWindowHasGoneIsShownToItsEnd)
{
    // Settings mode's "could not save" box comes after the dialog, the main window, asked the loop to quit.
    CWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(0, 0), "", WS_POPUP | WS_VISIBLE, CRect(0, 0, 50, 50), nullptr, 0));
    AfxGetApp()->m_pMainWnd = &wnd;
    wnd.DestroyWindow();
    AfxMessageBox("設定を保存できませんでした。", MB_ICONEXCLAMATION);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"設定を保存できませんでした。"});
    // The quit waited for the box and is on its way again; the tests after this one still need the loop.
    EXPECT_FALSE(QtState().bQuitAfterBoxes);
    QCoreApplication::removePostedEvents(QtState().pPoster.get());
    QtState().bQuit = false;
}

TEST_F(SettingsDlgQtTest, TheWindowShowsTheProgramsIconForTheWindowManager)
{
    CSettingsDlg dlg;
    Run(dlg, [&]() {
        const QImage icon =
            DialogWidget()->windowIcon().pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
        const CIconImage* pImage = AfxFindIcon(IDR_MAINFRAME);
        ASSERT_EQ(icon.size(), QSize(pImage->cx, pImage->cy));
        for (int y = 0; y < pImage->cy; ++y)
            for (int x = 0; x < pImage->cx; ++x)
                ASSERT_EQ(icon.pixel(x, y), pImage->pPixels[y * pImage->cx + x]) << x << "," << y;
    });
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    CSaverApp app;
    if (QtEnsureApplication(true) == nullptr)
        return 1;
    const int nResult = RUN_ALL_TESTS();
    QtShutdown();
    return nResult;
}
