// The settings dialog on the headless back end, driven as its user drives it: every message in
// its order, the focus, what the edits show and what the preview runs with after each step.

#include "settings/SettingsDlg.h"

#include "TestSupport.h"
#include "platform/Dc.h"
#include "platform/WinApp.h"
#include "platform/headless/Headless.h"
#include "res/Resource.h"
#include "settings/Checks.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace
{
const std::string kPeriodRange = "1 から 1000 までの整数を入力してください。";
const std::string kCountRange = "1 から 9999 までの整数を入力してください。";
const std::string kAtLeastOne = "1 以上の整数を入力してください。";

// The edits in exchange order: period, count, resistance, pixel ratio, flutter, time step, gravitation.
constexpr int kEditsInExchangeOrder[] = {IDC_PERIOD,  IDC_COUNT,     IDC_RESISTANCE, IDC_PIXELRATIO,
                                         IDC_FLUTTER, IDC_DELTATIME, IDC_GRAVITATION};

class SettingsDlgTest : public testing::Test
{
protected:
    SettingsDlgTest()
    {
        m_app.m_strProfileName = m_dir.Path("kelvane.ini");
        Headless::SetScreenSize(1024, 768);
        Headless::SetClock(1000, 0);
    }
    ~SettingsDlgTest() override { Headless::SetMessageBoxScript(nullptr); }

    void WriteProfile(const std::string& keys)
    {
        TestSupport::WriteFile(m_app.m_strProfileName, "[Config-Ver102]\n" + keys);
    }

    // Runs the dialog with the user's steps inside. (Not as the main window: its end would post
    // the quit message, which stops the clock of the dialogs after it.)
    int Run(CSettingsDlg& dlg, std::function<void(WindowHandle)> user)
    {
        Headless::PushModalScript([&, user](WindowHandle hDlg) {
            m_hDlg = hDlg;
            user(hDlg);
        });
        return dlg.DoModal();
    }

    WindowHandle Item(int nID) const { return Headless::DlgItem(m_hDlg, nID); }
    std::string Text(int nID) const { return Headless::WindowText(Item(nID)); }
    void Type(int nID, const std::string& text) const { Headless::TypeText(Item(nID), text); }
    // The focus lands on a control, as a click on it would put it there.
    void Focus(int nID) const { CWnd::FromHandle(Item(nID))->SetFocus(); }

    std::vector<std::string> Edits() const
    {
        std::vector<std::string> texts;
        for (const int nID : kEditsInExchangeOrder)
            texts.push_back(Text(nID));
        return texts;
    }

    // The texts of the message boxes shown since the mark.
    std::vector<std::string> BoxesSince(std::size_t nMark) const
    {
        std::vector<std::string> texts;
        const auto& boxes = Headless::MessageBoxes();
        for (std::size_t i = nMark; i < boxes.size(); ++i)
            texts.push_back(boxes[i].text);
        return texts;
    }

    TestSupport::TempDir m_dir;
    CWinApp m_app;
    WindowHandle m_hDlg = 0;
};

// What the preview runs with, for the field of an edit.
double PreviewSetting(const CSnowWnd& preview, int nEdit)
{
    switch (nEdit)
    {
    case IDC_PERIOD: return preview.GetPeriod();
    case IDC_COUNT: return static_cast<double>(preview.GetFlakes().size());
    case IDC_PIXELRATIO: return preview.GetPixelRatio();
    case IDC_DELTATIME: return preview.GetDeltaTime();
    case IDC_GRAVITATION: return preview.GetGravitation();
    case IDC_RESISTANCE: return preview.GetResistance();
    default: return preview.GetFlutter();
    }
}
}   // namespace

TEST_F(SettingsDlgTest, OpensWithTheLoadedSettingsThePreviewOverThePlaceholderAndTheFocusOnThePeriod)
{
    CSettingsDlg dlg;
    Run(dlg, [&](WindowHandle hDlg) {
        EXPECT_EQ(Edits(), (std::vector<std::string>{"40", "100", "0.25", "210", "50", "0.05", "9.8"}));
        EXPECT_EQ(Headless::Focus(), Item(IDC_PERIOD));
        EXPECT_TRUE(Headless::TextSelected(Item(IDC_PERIOD)));
        // 240 x 142 dialog units of 2 pixels, centred on the 1024 x 768 screen.
        EXPECT_EQ(Headless::GetWindowInfo(hDlg).rcWindow, CRect(272, 242, 752, 526));
        const Headless::WindowInfo preview = Headless::GetWindowInfo(dlg.GetPreview().GetSafeHwnd());
        EXPECT_EQ(preview.hParent, hDlg);
        EXPECT_EQ(preview.rcWindow, Headless::GetWindowInfo(Item(IDC_PREVIEW)).rcWindow);
        EXPECT_EQ(preview.dwStyle, static_cast<UINT>(WS_CHILD | WS_VISIBLE));
        EXPECT_EQ(preview.nIDCursor, static_cast<UINT>(IDC_BLANK));
        EXPECT_EQ(Headless::GetWindowInfo(Item(IDC_PREVIEW)).dwStyle & WS_VISIBLE, 0u);
        const std::vector<Headless::MenuItem> menu = Headless::SystemMenu(hDlg);
        ASSERT_EQ(menu.size(), 2u);
        EXPECT_EQ(menu[0].nFlags, static_cast<UINT>(MF_SEPARATOR));
        EXPECT_EQ(menu[1].nID, static_cast<UINT>(IDM_ABOUTBOX));
        EXPECT_EQ(menu[1].text, "&About Saver...");
        const CSnowWnd& p = dlg.GetPreview();
        EXPECT_EQ(std::vector<double>({static_cast<double>(p.GetPeriod()), static_cast<double>(p.GetCount()),
                                       p.GetResistance(), p.GetPixelRatio(), p.GetFlutter(), p.GetDeltaTime(),
                                       p.GetGravitation()}),
                  (std::vector<double>{40, 100, 0.25, 210, 50, 0.05, 9.8}));
        // The preview snows inside the dialog's modal loop.
        Headless::Advance(400);
        EXPECT_EQ(p.GetFlakes().size(), 100u);
    });
}

TEST_F(SettingsDlgTest, TheApplyButtonDoesNothingOfItsOwnWhenNoEditHeldTheFocus)
{
    CSettingsDlg dlg;
    Run(dlg, [&](WindowHandle hDlg) {
        Focus(IDC_APPLY);
        Type(IDC_GRAVITATION, "5");
        Headless::ClickButton(hDlg, IDC_APPLY);
        EXPECT_EQ(dlg.GetPreview().GetGravitation(), 9.8);
        EXPECT_EQ(Text(IDC_GRAVITATION), "5");
        EXPECT_TRUE(Headless::MessageBoxes().empty());
        Type(IDC_GRAVITATION, "9.8");
    });
}

TEST_F(SettingsDlgTest, AProfileValueOutOfRangeIsShownAndRunUntilOkRefusesItAndTheDialogStillCloses)
{
    enum class Close { Escape, SystemMenu, CancelThenEscape };
    for (const char* typed : {"", "x"})
    {
        for (const Close how : {Close::Escape, Close::SystemMenu, Close::CancelThenEscape})
        {
            SCOPED_TRACE(testing::Message() << "'" << typed << "' " << static_cast<int>(how));
            WriteProfile("Period=5000\nGravitation=100\n");
            CSettingsDlg dlg;
            WindowHandle hPeriod = 0;
            const int nResult = Run(dlg, [&](WindowHandle hDlg) {
                hPeriod = Item(IDC_PERIOD);
                EXPECT_EQ(Text(IDC_PERIOD), "5000");
                EXPECT_EQ(dlg.GetPreview().GetPeriod(), 5000u);
                if (*typed != '\0')
                    Type(IDC_PERIOD, typed);
                Headless::ClickButton(hDlg, IDOK);   // the period's handler answers first: the click is lost
                Headless::ClickButton(hDlg, IDOK);
                // The period comes first in the exchange, so it is the one reported.
                EXPECT_EQ(Headless::MessageBoxes().back().text, kPeriodRange);
                EXPECT_EQ(Headless::Focus(), Item(IDC_PERIOD));
                EXPECT_TRUE(Headless::GetWindowInfo(hDlg).bAlive);
                const std::size_t nMark = Headless::MessageBoxes().size();
                if (how == Close::CancelThenEscape)
                {
                    // A click on Cancel that the period's handler answers with a box is lost, as any click is.
                    Headless::ClickButton(hDlg, IDCANCEL);
                    EXPECT_EQ(BoxesSince(nMark), std::vector<std::string>{kPeriodRange});
                    EXPECT_TRUE(Headless::GetWindowInfo(hDlg).bAlive);
                }
                how == Close::SystemMenu ? (void)Headless::Send(hDlg, WM_SYSCOMMAND, SC_CLOSE) : Headless::PressEscape(hDlg);
                // The period's handler may speak as the focus leaves it, but the focus never goes back.
                EXPECT_NE(Headless::FocusMoves().back(), hPeriod);
            });
            EXPECT_EQ(nResult, IDCANCEL);
            EXPECT_EQ(TestSupport::ReadFile(m_app.m_strProfileName), "[Config-Ver102]\nPeriod=5000\nGravitation=100\n");
        }
    }
}

TEST_F(SettingsDlgTest, OkAcceptsEachRangesBoundsAndRefusesOneStepBeyond)
{
    struct Case
    {
        int nEdit;
        const char* text;
        const char* refusal;   // nullptr: accepted
    };
    const Case cases[] = {
        {IDC_PERIOD, "1", nullptr},
        {IDC_PERIOD, "1000", nullptr},
        {IDC_PERIOD, "0", "1 から 1000 までの整数を入力してください。"},
        {IDC_PERIOD, "1001", "1 から 1000 までの整数を入力してください。"},
        {IDC_COUNT, "1", nullptr},
        {IDC_COUNT, "9999", nullptr},
        {IDC_COUNT, "0", "1 から 9999 までの整数を入力してください。"},
        {IDC_COUNT, "10000", "1 から 9999 までの整数を入力してください。"},
        {IDC_RESISTANCE, "0.001", nullptr},
        {IDC_RESISTANCE, "1", nullptr},
        {IDC_RESISTANCE, "0.0009", "0.001 から 1 までの数値を入力してください。"},
        {IDC_RESISTANCE, "1.001", "0.001 から 1 までの数値を入力してください。"},
        {IDC_DELTATIME, "0.001", nullptr},
        {IDC_DELTATIME, "1", nullptr},
        {IDC_DELTATIME, "0.0009", "0.001 から 1 までの数値を入力してください。"},
        {IDC_DELTATIME, "1.001", "0.001 から 1 までの数値を入力してください。"},
        {IDC_FLUTTER, "0", nullptr},
        {IDC_FLUTTER, "200", nullptr},
        {IDC_FLUTTER, "-1", "0 から 200 までの数値を入力してください。"},
        {IDC_FLUTTER, "201", "0 から 200 までの数値を入力してください。"},
        {IDC_GRAVITATION, "0.1", nullptr},
        {IDC_GRAVITATION, "99.9", nullptr},
        {IDC_GRAVITATION, "0", "0.1 から 99.9 までの数値を入力してください。"},
        {IDC_GRAVITATION, "100", "0.1 から 99.9 までの数値を入力してください。"},
        {IDC_PIXELRATIO, "0", nullptr},   // no range in the exchange: only the handlers guard it
        {IDC_PIXELRATIO, "-5", nullptr},
        {IDC_PERIOD, "-1", "正の整数を入力してください。"},                // a minus sign does not parse
        {IDC_COUNT, "+0", "1 から 9999 までの整数を入力してください。"},   // zero with a sign is zero
        {IDC_FLUTTER, "-0", nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.nEdit << " '" << c.text << "'");
        CSettingsDlg dlg;
        const int nResult = Run(dlg, [&](WindowHandle hDlg) {
            Focus(IDOK);
            Type(c.nEdit, c.text);
            const std::size_t nMark = Headless::MessageBoxes().size();
            Headless::ClickButton(hDlg, IDOK);
            if (c.refusal == nullptr)
                return;
            EXPECT_EQ(BoxesSince(nMark), std::vector<std::string>{c.refusal});
            EXPECT_EQ(Headless::Focus(), Item(c.nEdit));
            EXPECT_TRUE(Headless::TextSelected(Item(c.nEdit)));
            Type(c.nEdit, "1");   // something every field takes, so that Escape brings no more boxes
        });
        EXPECT_EQ(nResult, c.refusal == nullptr ? IDOK : IDCANCEL);
    }
}

TEST_F(SettingsDlgTest, OkReportsOnlyTheFirstFailingFieldInExchangeOrder)
{
    struct Case
    {
        int nFirst, nSecond;
        const char* first;
        const char* second;
        std::string message;
    };
    for (const Case& c : {Case{IDC_GRAVITATION, IDC_PERIOD, "100", "0", kPeriodRange},
                          Case{IDC_FLUTTER, IDC_RESISTANCE, "300", "2", "0.001 から 1 までの数値を入力してください。"}})
    {
        SCOPED_TRACE(c.message);
        CSettingsDlg dlg;
        Run(dlg, [&](WindowHandle hDlg) {
            Focus(IDOK);
            Type(c.nFirst, c.first);
            Type(c.nSecond, c.second);
            const std::size_t nMark = Headless::MessageBoxes().size();
            Headless::ClickButton(hDlg, IDOK);
            EXPECT_EQ(BoxesSince(nMark), std::vector<std::string>{c.message});
            EXPECT_EQ(Headless::Focus(), Item(c.nSecond));
            Type(c.nFirst, "1");
            Type(c.nSecond, "1");
        });
    }
}

TEST_F(SettingsDlgTest, EachArrowStepsItsFieldOnceAndTheLowerBoundsHold)
{
    struct Case
    {
        const char* profile;
        int nEdit;
        int nArrows;
        bool bUpper;
        std::vector<std::string> boxes;
        const char* shown;
        double dPreview;
        const char* okRefusal;    // what OK says afterwards; nullptr: it accepts
        int nFocus = IDC_APPLY;   // IDC_APPLY: no edit holds the focus, so no other handler runs in between
    };
    // clang-format off
    const Case cases[] = {
        {"Period=1", IDC_PERIOD, IDC_PERIOD_SPIN, false, {kAtLeastOne}, "1", 1, nullptr},
        {"Count=1", IDC_COUNT, IDC_COUNT_SPIN, false, {kAtLeastOne}, "1", 1, nullptr},
        {"Count=9999", IDC_COUNT, IDC_COUNT_SPIN, true, {},
         "10000", 10000, "1 から 9999 までの整数を入力してください。"},
        {"PixelRatio=50", IDC_PIXELRATIO, IDC_PIXELRATIO_SPIN, false, {"50.000000 以上の値を入力してください。"},
         "50", 50, nullptr},
        {"DeltaTime=0.001", IDC_DELTATIME, IDC_DELTATIME_SPIN, false, {"0.001000 以上の値を入力してください。"},
         "0.001", 0.001, nullptr},
        {"Gravitation=99.9", IDC_GRAVITATION, IDC_GRAVITATION_SPIN, true, {},
         "100", 100.0, "0.1 から 99.9 までの数値を入力してください。"},
        {"Flutter=0", IDC_FLUTTER, IDC_FLUTTER_SPIN, false, {"正の値を入力してください。"}, "1", 1, nullptr},
        {"Resistance=0.25", IDC_RESISTANCE, IDC_RESISTANCE_SPIN, true, {}, "0.251", 0.25 + 0.001, nullptr},
        {"PixelRatio=210", IDC_PIXELRATIO, IDC_PIXELRATIO_SPIN, true, {}, "211", 211, nullptr},
        // The box starts the period's handler, whose exchange puts the flutter back to 0; negated, it stays 0.
        {"Flutter=0", IDC_FLUTTER, IDC_FLUTTER_SPIN, false, {"正の値を入力してください。"},
         "0", 0, nullptr, IDC_PERIOD},
    };
    // clang-format on
    // Each box is read for two seconds, as people do: the arrow's click must not repeat meanwhile.
    Headless::SetMessageBoxScript([](const Headless::MessageBoxCall&) { Headless::Advance(2000); });
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.profile);
        WriteProfile(std::string(c.profile) + "\n");
        CSettingsDlg dlg;
        Run(dlg, [&](WindowHandle hDlg) {
            Headless::Advance(100);   // the preview has made its first flakes
            Focus(c.nFocus);
            const std::size_t nMark = Headless::MessageBoxes().size();
            Headless::ClickArrow(hDlg, c.nArrows, c.bUpper);
            Headless::Advance(1000);   // a click whose box took the release must not go on repeating
            EXPECT_EQ(BoxesSince(nMark), c.boxes);
            EXPECT_EQ(Text(c.nEdit), c.shown);
            EXPECT_EQ(PreviewSetting(dlg.GetPreview(), c.nEdit), c.dPreview);
            if (c.nEdit == IDC_PERIOD)
            {
                // The timer restarted at once; the system ticks every 10 ms at most.
                EXPECT_EQ(Headless::GetWindowInfo(dlg.GetPreview().GetSafeHwnd()).nTimerPeriod, 10u);
            }
            const std::size_t nBeforeOk = Headless::MessageBoxes().size();
            Headless::ClickButton(hDlg, IDOK);
            if (c.okRefusal != nullptr)
            {
                EXPECT_EQ(BoxesSince(nBeforeOk), std::vector<std::string>{c.okRefusal});
            }
        });
    }
}

TEST_F(SettingsDlgTest, ATypedValueReachesThePreviewWhenTheApplyButtonTakesTheFocus)
{
    const std::vector<std::string> kPeriodZero = {kPeriodRange, kPeriodRange, kAtLeastOne, kAtLeastOne};
    struct Case
    {
        int nEdit;
        const char* typed;
        std::vector<std::string> boxes;
        const char* shown;
        double dPreview;
    };
    const double kAll = static_cast<double>(CSnowWnd::kMaxFlakes);
    const Case cases[] = {
        {IDC_GRAVITATION, "5", {}, "5", 5},
        {IDC_PIXELRATIO, "49", {"50.000000 以上の値を入力してください。"}, "50", 50},
        {IDC_PIXELRATIO, "-100", {"正の値を入力してください。"}, "100", 100},
        {IDC_PERIOD, "0", kPeriodZero, "1", 1},
        {IDC_RESISTANCE, "abc", {"数値を入力してください。"}, "0.25", 0.25},   // the old value again
        {IDC_FLUTTER, "+-1", {"数値を入力してください。"}, "50", 50},
        {IDC_PERIOD, "-5", {"正の整数を入力してください。"}, "40", 40},
        {IDC_COUNT, "4294967295", {kCountRange}, "4294967295", kAll},   // as many as the preview holds
        {IDC_COUNT, "2147483648", {kCountRange}, "2147483648", kAll},
        {IDC_COUNT, "99999999999", {kCountRange}, "4294967295", kAll},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.nEdit << " '" << c.typed << "'");
        CSettingsDlg dlg;
        Run(dlg, [&](WindowHandle hDlg) {
            Headless::Advance(100);
            Focus(c.nEdit);
            Type(c.nEdit, c.typed);
            const std::size_t nMark = Headless::MessageBoxes().size();
            Headless::ClickButton(hDlg, IDC_APPLY);
            EXPECT_EQ(BoxesSince(nMark), c.boxes);
            EXPECT_EQ(Text(c.nEdit), c.shown);
            EXPECT_EQ(PreviewSetting(dlg.GetPreview(), c.nEdit), c.dPreview);
            // A box cancels the click: the focus stays with the field it explained.
            EXPECT_EQ(Headless::Focus(), Item(c.boxes.empty() ? IDC_APPLY : c.nEdit));
            Type(c.nEdit, "1");
        });
    }
}

TEST_F(SettingsDlgTest, AHandlerThatABoxStartsRunsOnceAndEveryBoxTakesTheFocusInTurn)
{
    Headless::SetMessageBoxScript([](const Headless::MessageBoxCall&) { Headless::Advance(200); });
    CSettingsDlg dlg;
    Run(dlg, [&](WindowHandle hDlg) {
        Headless::Advance(100);
        const std::vector<Flake> before = dlg.GetPreview().GetFlakes();
        Type(IDC_PERIOD, "0");
        const std::size_t nMoves = Headless::FocusMoves().size();
        Headless::ClickButton(hDlg, IDC_APPLY);
        const std::vector<Headless::MessageBoxCall>& boxes = Headless::MessageBoxes();
        ASSERT_EQ(boxes.size(), 4u);
        EXPECT_EQ(BoxesSince(0), (std::vector<std::string>{kPeriodRange, kPeriodRange, kAtLeastOne, kAtLeastOne}));
        for (const auto& box : boxes)
        {
            EXPECT_EQ(box.nType, static_cast<UINT>(MB_ICONEXCLAMATION));
            EXPECT_EQ(box.nIDHelp, 0u);
            EXPECT_EQ(box.caption, "Kelvane");
            EXPECT_EQ(box.hOwner, hDlg);
        }
        // The button, the first box, back to the button, the failed exchange's edit, the last box
        // (whose handler's own focus moves are refused), and back to the edit.
        const WindowHandle hApply = Item(IDC_APPLY), hPeriod = Item(IDC_PERIOD);
        EXPECT_EQ(std::vector<WindowHandle>(Headless::FocusMoves().begin() + static_cast<std::ptrdiff_t>(nMoves),
                                            Headless::FocusMoves().end()),
                  (std::vector<WindowHandle>{hApply, 0, hApply, hPeriod, 0, hPeriod}));
        EXPECT_EQ(dlg.m_nPeriod, 1u);
        EXPECT_EQ(dlg.GetPreview().GetPeriod(), 1u);
        // The preview went on snowing while the boxes were open.
        ASSERT_EQ(dlg.GetPreview().GetFlakes().size(), before.size());
        EXPECT_NE(dlg.GetPreview().GetFlakes()[0].y, before[0].y);
    });
}

TEST_F(SettingsDlgTest, ACountTypedAsZeroAndSteppedDownEndsAtOneAfterItsHandlerRanOnce)
{
    CSettingsDlg dlg;
    Run(dlg, [&](WindowHandle hDlg) {
        Focus(IDC_COUNT);
        Type(IDC_COUNT, "0");
        Headless::ClickArrow(hDlg, IDC_COUNT_SPIN, false);
        EXPECT_EQ(BoxesSince(0), (std::vector<std::string>{kCountRange, kCountRange, kAtLeastOne, kAtLeastOne}));
        EXPECT_EQ(Text(IDC_COUNT), "1");
        EXPECT_EQ(Headless::Focus(), Item(IDC_COUNT));
        Headless::Advance(100);
        EXPECT_EQ(dlg.GetPreview().GetFlakes().size(), 1u);
    });
}

TEST_F(SettingsDlgTest, ArrowsHeldDownOrClickedWithoutEndNeverLeaveTheirBounds)
{
    CSettingsDlg dlg;
    Run(dlg, [&](WindowHandle hDlg) {
        Headless::Advance(100);
        Focus(IDC_APPLY);
        for (int i = 0; i < 60; ++i)
            Headless::ClickArrow(hDlg, IDC_PERIOD_SPIN, false);
        EXPECT_EQ(Text(IDC_PERIOD), "1");
        for (int i = 0; i < 300; ++i)
            Headless::ClickArrow(hDlg, IDC_PIXELRATIO_SPIN, false);
        EXPECT_EQ(Text(IDC_PIXELRATIO), "50");
        for (int i = 0; i < 120; ++i)
            Headless::ClickArrow(hDlg, IDC_DELTATIME_SPIN, true);
        EXPECT_EQ(Text(IDC_DELTATIME), "0.17");   // the redisplay keeps the rounding from building up
        Type(IDC_COUNT, "9990");
        for (int i = 0; i < 50; ++i)
            Headless::ClickArrow(hDlg, IDC_COUNT_SPIN, true);
        EXPECT_EQ(Text(IDC_COUNT), "10040");
        EXPECT_EQ(dlg.GetPreview().GetFlakes().size(), 10040u);
        Type(IDC_COUNT, "1");
    });
}

TEST_F(SettingsDlgTest, DefaultsAreSetAndAppliedWithoutReadingTheEdits)
{
    WriteProfile("Period=20\nCount=30\nPixelRatio=100\nDeltaTime=0.1\nGravitation=3\nResistance=0.5\nFlutter=7\n");
    for (const bool bMnemonic : {false, true})
    {
        SCOPED_TRACE(bMnemonic ? "Alt+D" : "click");
        CSettingsDlg dlg;
        Run(dlg, [&](WindowHandle hDlg) {
            Headless::Advance(100);
            Focus(IDC_FLUTTER);
            Type(IDC_FLUTTER, "8");   // the flutter's handler applies it first, then the defaults replace it
            bMnemonic ? Headless::PressMnemonic(hDlg, 'd') : Headless::ClickButton(hDlg, IDC_DEFAULT);
            EXPECT_TRUE(Headless::MessageBoxes().empty());
            EXPECT_EQ(Edits(), (std::vector<std::string>{"40", "100", "0.25", "210", "50", "0.05", "9.8"}));
            const CSnowWnd& preview = dlg.GetPreview();
            EXPECT_EQ(preview.GetPeriod(), 40u);
            EXPECT_EQ(preview.GetFlakes().size(), 100u);
            EXPECT_EQ(preview.GetPixelRatio(), 210.0);
            EXPECT_EQ(preview.GetDeltaTime(), 0.05);
            EXPECT_EQ(preview.GetGravitation(), 9.8);
            EXPECT_EQ(preview.GetResistance(), 0.25);
            EXPECT_EQ(preview.GetFlutter(), 50.0);
        });
    }
}

TEST_F(SettingsDlgTest, EnterAcceptsFromAnEditAndPressesAFocusedButton)
{
    CSettingsDlg dlg;
    EXPECT_EQ(Run(dlg,
                  [&](WindowHandle hDlg) {
                      Type(IDC_PERIOD, "25");
                      Headless::PressEnter(hDlg);
                  }),
              IDOK);
    EXPECT_EQ(dlg.m_nPeriod, 25u);

    CSettingsDlg dlg2;
    EXPECT_EQ(Run(dlg2,
                  [&](WindowHandle hDlg) {
                      Focus(IDCANCEL);
                      Headless::PressEnter(hDlg);
                  }),
              IDCANCEL);
}

TEST_F(SettingsDlgTest, TheAboutItemOpensTheAboutBoxCentredAndChangesNothing)
{
    CSettingsDlg dlg;
    Run(dlg, [&](WindowHandle hDlg) {
        Headless::PushModalScript([](WindowHandle hAbout) {
            EXPECT_EQ(Headless::WindowText(hAbout), "Kelvaneについて");
            EXPECT_EQ(Headless::WindowText(Headless::DlgItem(hAbout, IDOK)), "OK");
            const CRect rc = Headless::GetWindowInfo(hAbout).rcWindow;
            EXPECT_EQ(rc, CRect((1024 - 360) / 2, (768 - 148) / 2, (1024 + 360) / 2, (768 + 148) / 2));
            Headless::PressEnter(hAbout);
        });
        Headless::Send(hDlg, WM_SYSCOMMAND, IDM_ABOUTBOX | 0x3);   // the low four bits are the system's
        EXPECT_TRUE(Headless::MessageBoxes().empty());
        EXPECT_EQ(Edits(), (std::vector<std::string>{"40", "100", "0.25", "210", "50", "0.05", "9.8"}));
        EXPECT_EQ(Headless::TopLevelWindows(), std::vector<WindowHandle>{hDlg});
    });
}

TEST_F(SettingsDlgTest, MinimisedItPaintsItsIconCentredAndDragsIt)
{
    CSettingsDlg dlg;
    Run(dlg, [&](WindowHandle hDlg) {
        const IconHandle hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
        ASSERT_NE(hIcon, nullptr);
        EXPECT_EQ(Headless::Send(hDlg, WM_QUERYDRAGICON), reinterpret_cast<std::intptr_t>(hIcon));
        Headless::SetIconic(hDlg, true);
        Headless::PumpMessages();
        bool bErased = false;
        for (const auto& call : Headless::DefaultCalls())
            bErased |= call.hWnd == hDlg && call.message == WM_ICONERASEBKGND;
        EXPECT_TRUE(bErased);
        // The client area is 480 x 284: the 32 x 32 icon stands at ((480 - 32 + 1) / 2, (284 - 32 + 1) / 2).
        // The frame holds black and white only: each opaque pixel of the icon shows as the one its
        // colour draws, and the icon still has both.
        const CFrameBuffer& frame = *Headless::FrameBufferOf(hDlg);
        int nWhite = 0;
        int nBlack = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
            {
                const std::uint32_t px = hIcon->pPixels[y * 32 + x];
                if ((px >> 24) == 0)
                    continue;
                SCOPED_TRACE(testing::Message() << x << "," << y);
                const std::uint32_t expected =
                    CFrameBuffer::ToPixel(RgbColor((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF));
                EXPECT_EQ(frame.GetPixel(224 + x, 126 + y), expected);
                (expected == CFrameBuffer::kWhite ? nWhite : nBlack) += 1;
            }
        EXPECT_GT(nWhite, 0);
        EXPECT_GT(nBlack, 0);
    });
}

TEST(SettingsChecks, StepsMoveByOneStepWhateverTheDeltaAndStopAtTheEndsOfUnsigned)
{
    struct Case
    {
        UINT value;
        int iDelta;
        UINT expected;
    };
    for (const Case c : {Case{5, -1, 6}, Case{5, -7, 6}, Case{5, 1, 4}, Case{5, 0, 4}, Case{5, 9, 4}, Case{0, 1, 0},
                         Case{4294967295u, -1, 4294967295u}})
    {
        SCOPED_TRACE(testing::Message() << c.value << " " << c.iDelta);
        UINT value = c.value;
        StepUInt(value, c.iDelta, 1);
        EXPECT_EQ(value, c.expected);
    }
    double d = 0.05;
    StepDouble(d, -100, 0.001);
    EXPECT_EQ(d, 0.05 + 0.001);
}
