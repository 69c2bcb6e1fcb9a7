// Dialogs on the headless back end: the data exchange and the way control notifications reach
// the dialog, nest inside message boxes, and are locked out during an exchange.

#include "platform/Dialog.h"

#include "platform/WinApp.h"
#include "platform/headless/Headless.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include <string>
#include <vector>

namespace
{
constexpr int IDC_COUNT = 1001;
constexpr int IDC_SPIN = 1002;
constexpr int IDC_RATE = 1003;
constexpr int IDC_APPLY = 3;

constexpr UINT kEditStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
const DialogControl kControls[] = {
    {"STATIC", -1, "個数:", 5, 5, 40, 8, WS_CHILD | WS_VISIBLE, 0},
    {"EDIT", IDC_COUNT, "", 50, 5, 30, 12, kEditStyle, 0x1000},
    {"msctls_updown32", IDC_SPIN, "Spin1", 80, 5, 10, 12, WS_CHILD | WS_VISIBLE, 0},
    {"EDIT", IDC_RATE, "", 50, 21, 30, 12, kEditStyle, 0x1000},
    {"BUTTON", IDC_APPLY, "適用", 5, 40, 40, 14, kEditStyle, 0},
    {"BUTTON", IDOK, "OK", 50, 40, 40, 14, kEditStyle, 0},
    {"BUTTON", IDCANCEL, "キャンセル", 95, 40, 40, 14, kEditStyle, 0},
};
const DialogTemplate kTemplate = {999, "テスト",  WS_POPUP | WS_VISIBLE, 0, 0, 0, 140, 60, "MS Shell Dlg", 9, 0, false,
                                  1,   kControls, std::size(kControls)};

class TestDlg : public CDialog
{
public:
    explicit TestDlg(std::vector<std::string>& log) : CDialog(999), m_log(log) { InitModalIndirect(&kTemplate); }

    UINT m_nCount = 40;
    double m_dRate = 0.05;
    CEdit m_editCount;
    CEdit m_editRate;
    bool m_bBoxWhenCountLeft = false;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Control(pDX, IDC_COUNT, m_editCount);
        DDX_Control(pDX, IDC_RATE, m_editRate);
        DDX_Text(pDX, IDC_COUNT, m_nCount);
        DDV_MinMaxUInt(pDX, m_nCount, 1, 1000);
        DDX_Text(pDX, IDC_RATE, m_dRate);
        DDV_MinMaxDouble(pDX, m_dRate, 0.001, 1.0);
    }

    bool OnCmdMsg(UINT nID, UINT nCode) override
    {
        if (nCode == EN_KILLFOCUS && nID == IDC_COUNT)
        {
            m_log.push_back("count left");
            if (m_bBoxWhenCountLeft)
            {
                m_bBoxWhenCountLeft = false;
                AfxMessageBox("check", MB_ICONEXCLAMATION);
                m_editCount.SetFocus();
            }
            return true;
        }
        if (nCode == EN_KILLFOCUS && nID == IDC_RATE)
        {
            m_log.push_back("rate left");
            return true;
        }
        if (nCode == BN_CLICKED && nID == IDC_APPLY)
        {
            m_log.push_back("apply");
            return true;
        }
        return CDialog::OnCmdMsg(nID, nCode);
    }

    bool OnNotifyMsg(UINT nID, CNmHdr* pNMHDR, std::intptr_t* pResult) override
    {
        m_log.push_back("arrow " + std::to_string(nID) + " " +
                        std::to_string(reinterpret_cast<CNmUpDown*>(pNMHDR)->iDelta));
        *pResult = 0;
        return true;
    }

private:
    std::vector<std::string>& m_log;
};

class DialogTest : public testing::Test
{
protected:
    std::vector<std::string> MessageTexts() const
    {
        std::vector<std::string> texts;
        for (const auto& box : Headless::MessageBoxes())
            texts.push_back(box.text);
        return texts;
    }

    CWinApp m_app;
    std::vector<std::string> m_log;
};
}   // namespace

TEST_F(DialogTest, AMissingTemplateOpensNothing)
{
    CDialog none(999);   // the program has no template 999
    EXPECT_EQ(none.DoModal(), -1);
    EXPECT_FALSE(none.IsWindow());
    EXPECT_TRUE(Headless::TopLevelWindows().empty());
}

TEST_F(DialogTest, OpensWithTheFieldsShownAndTheFocusOnTheFirstTabStop)
{
    TestDlg dlg(m_log);
    dlg.m_dRate = 0.05 + 0.001;   // 0.051000000000000004 shows with 15 significant digits
    Headless::PushModalScript([&](WindowHandle hDlg) {
        EXPECT_EQ(Headless::WindowText(Headless::DlgItem(hDlg, IDC_COUNT)), "40");
        EXPECT_EQ(Headless::WindowText(Headless::DlgItem(hDlg, IDC_RATE)), "0.051");
        EXPECT_EQ(Headless::Focus(), Headless::DlgItem(hDlg, IDC_COUNT));
        EXPECT_EQ(dlg.m_editCount.GetSafeHwnd(), Headless::DlgItem(hDlg, IDC_COUNT));
        EXPECT_EQ(Headless::GetWindowInfo(Headless::DlgItem(hDlg, IDC_RATE)).rcWindow.Width(), 60);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);   // the script left it open: the user pressed Escape
    EXPECT_FALSE(dlg.m_editCount.IsWindow());
    EXPECT_EQ(m_log, std::vector<std::string>{"count left"});   // the focus left the edit as the dialog went
}

TEST_F(DialogTest, OkExchangesEveryFieldOrStopsAtTheFirstThatFails)
{
    TestDlg dlg(m_log);
    Headless::PushModalScript([&](WindowHandle hDlg) {
        Headless::TypeText(Headless::DlgItem(hDlg, IDC_COUNT), " 250 ");
        Headless::TypeText(Headless::DlgItem(hDlg, IDC_RATE), "2");
        Headless::ClickButton(hDlg, IDOK);
        // The count took its new value, the rate failed its range and kept the value it read.
        EXPECT_EQ(dlg.m_nCount, 250u);
        EXPECT_EQ(dlg.m_dRate, 2.0);
        EXPECT_EQ(MessageTexts(), std::vector<std::string>{"0.001 から 1 までの数値を入力してください。"});
        EXPECT_EQ(Headless::MessageBoxes().back().nType, MB_ICONEXCLAMATION);
        EXPECT_EQ(Headless::Focus(), Headless::DlgItem(hDlg, IDC_RATE));
        Headless::TypeText(Headless::DlgItem(hDlg, IDC_RATE), "0.5");
        Headless::ClickButton(hDlg, IDOK);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_dRate, 0.5);
}

TEST_F(DialogTest, TextsParseLikeTheFrameworksExchange)
{
    struct Case
    {
        const char* count;
        const char* rate;
        bool bPasses;
        UINT nCount;
        double dRate;
    };
    const Case cases[] = {
        {"7", "0.25", true, 7, 0.25},
        {"+8", " .5 ", true, 8, 0.5},
        {"0", "0.05", false, 0, 0.05},     // parses, but below the count's range
        {"-1", "0.05", false, 40, 0.05},   // a sign in an unsigned field does not parse
        {"", "0.05", false, 40, 0.05},
        {"12x", "0.05", false, 40, 0.05},
        {"99999999999", "0.05", false, 4294967295u, 0.05},
        {"9", "-0", false, 9, 0.0},   // zero, signed or not, is a number (the range refuses it)
        {"9", ".0", false, 9, 0.0},
        {"9", "+0.0", false, 9, 0.0},
        {"9", "0e5", false, 9, 0.0},
        {"9", "1e999", false, 9, 0.05},   // beyond double's range
        {"9", "nan", false, 9, 0.05},
        {"9", "0x1", false, 9, 0.05},
        {"+0", "0.05", false, 0, 0.05},   // parses: 0, which the range then refuses
        {" 0", "0.05", false, 0, 0.05},   // parses: 0, which the range then refuses
        {"9", "+-1", false, 9, 0.05},     // one sign at most
        {"9", "-+1", false, 9, 0.05},
        {"9", "-0.5", false, 9, -0.5},   // parses, but below the rate's range
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "'" << c.count << "' '" << c.rate << "'");
        TestDlg dlg(m_log);
        bool bPassed = false;
        Headless::PushModalScript([&](WindowHandle hDlg) {
            Headless::TypeText(Headless::DlgItem(hDlg, IDC_COUNT), c.count);
            Headless::TypeText(Headless::DlgItem(hDlg, IDC_RATE), c.rate);
            bPassed = dlg.UpdateData(true);
        });
        dlg.DoModal();
        EXPECT_EQ(bPassed, c.bPasses);
        EXPECT_EQ(dlg.m_nCount, c.nCount);
        EXPECT_EQ(dlg.m_dRate, c.dRate);
        EXPECT_EQ(std::signbit(dlg.m_dRate), std::signbit(c.dRate));   // a zero shown back must not read "-0"
    }
}

TEST_F(DialogTest, AnExchangeLocksOutTheNotificationsItCauses)
{
    TestDlg dlg(m_log);
    Headless::PushModalScript([&](WindowHandle hDlg) {
        Headless::TypeText(Headless::DlgItem(hDlg, IDC_COUNT), "abc");
        m_log.clear();
        // The parse message takes the focus out of the count's edit, and the failure puts it
        // back: neither reaches the dialog while the exchange runs.
        EXPECT_FALSE(dlg.UpdateData(true));
        EXPECT_EQ(MessageTexts(), std::vector<std::string>{"正の整数を入力してください。"});
        EXPECT_TRUE(m_log.empty());
        EXPECT_EQ(Headless::Focus(), Headless::DlgItem(hDlg, IDC_COUNT));
        Headless::TypeText(Headless::DlgItem(hDlg, IDC_COUNT), "5");
        Headless::ClickButton(hDlg, IDCANCEL);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(m_log, std::vector<std::string>{"count left"});
}

TEST_F(DialogTest, AMessageBoxOutsideAnExchangeRunsTheHandlerOfTheEditItLeaves)
{
    TestDlg dlg(m_log);
    dlg.m_bBoxWhenCountLeft = true;
    Headless::PushModalScript([&](WindowHandle hDlg) {
        // Leaving the count shows a box from its handler; the click on Apply is lost with it.
        Headless::ClickButton(hDlg, IDC_APPLY);
        EXPECT_EQ(m_log, std::vector<std::string>{"count left"});
        EXPECT_EQ(Headless::Focus(), Headless::DlgItem(hDlg, IDC_COUNT));
        // The next box, shown with the focus in the count, runs the count's handler inside it.
        m_log.clear();
        AfxMessageBox("another", MB_ICONEXCLAMATION);
        EXPECT_EQ(m_log, std::vector<std::string>{"count left"});
        EXPECT_EQ(Headless::Focus(), Headless::DlgItem(hDlg, IDC_COUNT));
        m_log.clear();
        Headless::ClickButton(hDlg, IDC_APPLY);
        EXPECT_EQ(m_log, (std::vector<std::string>{"count left", "apply"}));
        Headless::ClickButton(hDlg, IDC_APPLY);   // from a button to a button: no edit is left
        EXPECT_EQ(m_log, (std::vector<std::string>{"count left", "apply", "apply"}));
    });
    dlg.DoModal();
}

TEST_F(DialogTest, ArrowsStepWithoutTakingTheFocus)
{
    TestDlg dlg(m_log);
    Headless::PushModalScript([&](WindowHandle hDlg) {
        Headless::ClickArrow(hDlg, IDC_SPIN, true);
        Headless::ClickArrow(hDlg, IDC_SPIN, false);
        Headless::ClickArrow(hDlg, IDC_SPIN, false);
        EXPECT_EQ(Headless::ArrowPosition(Headless::DlgItem(hDlg, IDC_SPIN)), 2);
        // Held for a second: the first step, then one after half a second and every 50 ms after it.
        const std::size_t nBefore = m_log.size();
        Headless::HoldArrow(hDlg, IDC_SPIN, true, 1000);
        EXPECT_EQ(m_log.size() - nBefore, 1u + 11u);
        EXPECT_EQ(Headless::ArrowPosition(Headless::DlgItem(hDlg, IDC_SPIN)), 0);   // the range's end
        m_log.resize(nBefore);
        EXPECT_EQ(Headless::Focus(), Headless::DlgItem(hDlg, IDC_COUNT));
        Headless::PressTab(hDlg);
        EXPECT_EQ(Headless::Focus(), Headless::DlgItem(hDlg, IDC_RATE));
        Headless::Send(hDlg, WM_SYSCOMMAND, SC_CLOSE);   // the close command cancels
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(m_log,
              (std::vector<std::string>{"arrow 1002 -1", "arrow 1002 1", "arrow 1002 1", "count left", "rate left"}));
}

namespace
{
class TickingWnd : public CWnd
{
public:
    int m_nTicks = 0;

protected:
    void OnTimer(UINT) override { ++m_nTicks; }
};
}   // namespace

TEST_F(DialogTest, TimersTickInsideTheModalLoopAndItsMessageBoxes)
{
    TickingWnd preview;
    ASSERT_TRUE(preview.CreateEx(0, nullptr, "", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0));
    preview.SetTimer(1, 40);
    Headless::SetMessageBoxScript([](const Headless::MessageBoxCall&) { Headless::Advance(400); });
    TestDlg dlg(m_log);
    Headless::PushModalScript([&](WindowHandle hDlg) {
        Headless::Advance(200);
        EXPECT_EQ(preview.m_nTicks, 5);
        Headless::TypeText(Headless::DlgItem(hDlg, IDC_COUNT), "0");
        Headless::ClickButton(hDlg, IDOK);
        EXPECT_EQ(preview.m_nTicks, 15);
    });
    dlg.DoModal();
    Headless::SetMessageBoxScript(nullptr);
}

TEST_F(DialogTest, TheSystemMenuTakesNewItems)
{
    TestDlg dlg(m_log);
    Headless::PushModalScript([&](WindowHandle hDlg) {
        CMenu* pMenu = dlg.GetSystemMenu(false);
        ASSERT_NE(pMenu, nullptr);
        pMenu->AppendMenu(MF_SEPARATOR);
        pMenu->AppendMenu(MF_STRING, 0x0010, "&About Saver...");
        const std::vector<Headless::MenuItem> items = Headless::SystemMenu(hDlg);
        ASSERT_EQ(items.size(), 2u);
        EXPECT_EQ(items[0].nFlags, MF_SEPARATOR);
        EXPECT_EQ(items[1].nID, 0x0010u);
        EXPECT_EQ(items[1].text, "&About Saver...");
    });
    dlg.DoModal();
}

namespace
{
constexpr int IDC_RD = 4, IDC_HIDDEN = 5, IDC_OFF = 6;
const DialogControl kKeyControls[] = {
    {"EDIT", IDC_COUNT, "", 5, 5, 30, 12, kEditStyle, 0},
    {"BUTTON", IDC_APPLY, "&Apply", 5, 20, 40, 14, kEditStyle, 0},
    {"BUTTON", IDC_RD, "R&&D", 50, 20, 40, 14, kEditStyle, 0},   // an ampersand, no mnemonic
    {"BUTTON", IDC_HIDDEN, "&Hidden", 5, 40, 40, 14, WS_CHILD | WS_TABSTOP, 0},
    {"BUTTON", IDC_OFF, "&Zed", 50, 40, 40, 14, kEditStyle | WS_DISABLED, 0},
    {"BUTTON", IDOK, "OK", 95, 20, 40, 14, kEditStyle | BS_DEFPUSHBUTTON, 0},
    {"BUTTON", IDCANCEL, "Cancel", 95, 40, 40, 14, kEditStyle, 0},
};
const DialogTemplate kKeyTemplate = {998, "keys",       WS_POPUP | WS_VISIBLE,  0, 0, 0,
                                     140, 60,           "MS Shell Dlg",         9, 0, false,
                                     1,   kKeyControls, std::size(kKeyControls)};

// Logs each control notification as "id code from", from being the id of the control whose handle
// came in lParam.
class KeysDlg : public CDialog
{
public:
    explicit KeysDlg(std::vector<std::string>& log) : CDialog(998), m_log(log) { InitModalIndirect(&kKeyTemplate); }

protected:
    bool OnCommand(std::uintptr_t wParam, std::intptr_t lParam) override
    {
        const CWnd* pFrom = CWnd::FromHandle(static_cast<WindowHandle>(lParam));
        m_log.push_back(std::to_string(wParam & 0xFFFF) + " " + std::to_string(wParam >> 16) + " " +
                        std::to_string(pFrom != nullptr ? pFrom->GetDlgCtrlID() : 0));
        return true;
    }

private:
    std::vector<std::string>& m_log;
};
}   // namespace

TEST_F(DialogTest, TheSharedDialogManagerDecidesKeysAndClicks)
{
    struct Case
    {
        const char* name;
        int nFocus;
        std::function<void(WindowHandle)> input;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {"Enter in an edit presses the default button",
         IDC_COUNT,
         [](WindowHandle h) { Headless::PressEnter(h); },
         {"1 0 1"}},
        {"Enter on a button presses it", IDC_APPLY, [](WindowHandle h) { Headless::PressEnter(h); }, {"3 0 3"}},
        {"Escape is Cancel's click", IDC_COUNT, [](WindowHandle h) { Headless::PressEscape(h); }, {"2 0 2"}},
        {"Tab leaves the edit, which says so",
         IDC_COUNT,
         [](WindowHandle h) { Headless::PressTab(h); },
         {"1001 512 1001"}},
        {"Alt and a mnemonic click after the focus moved",
         IDC_COUNT,
         [](WindowHandle h) { Headless::PressMnemonic(h, 'A'); },
         {"1001 512 1001", "3 0 3"}},
        {"a letter alone in an edit is typing",
         IDC_COUNT,
         [](WindowHandle h) { EXPECT_FALSE(Headless::PressKey(h, 'a', false)); },
         {}},
        {"a letter alone on a button is a mnemonic",
         IDOK,
         [](WindowHandle h) { Headless::PressKey(h, 'a', false); },
         {"3 0 3"}},
        {"&& is an ampersand", IDOK, [](WindowHandle h) { Headless::PressMnemonic(h, 'd'); }, {}},
        {"a hidden button has no mnemonic", IDOK, [](WindowHandle h) { Headless::PressMnemonic(h, 'h'); }, {}},
        {"nor has a disabled one", IDOK, [](WindowHandle h) { Headless::PressMnemonic(h, 'z'); }, {}},
        {"Tab skips both",
         IDC_RD,
         [](WindowHandle h) {
             Headless::PressTab(h);
             Headless::PressEnter(h);
         },
         {"1 0 1"}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        m_log.clear();
        KeysDlg dlg(m_log);
        Headless::PushModalScript([&](WindowHandle hDlg) {
            CWnd::FromHandle(Headless::DlgItem(hDlg, c.nFocus))->SetFocus();
            m_log.clear();
            c.input(hDlg);
            EXPECT_EQ(m_log, c.log);
            dlg.EndDialog(IDCANCEL);
        });
        dlg.DoModal();
    }
}
