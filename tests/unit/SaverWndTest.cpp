// Unit tests of the full-screen saver window on the headless back end.

#include "saver/SaverWnd.h"

#include "TestSupport.h"
#include "platform/WinApp.h"
#include "platform/headless/Headless.h"
#include "res/Resource.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

namespace
{
std::intptr_t PointParam(int x, int y)
{
    return static_cast<std::intptr_t>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) |
                                      static_cast<std::uint32_t>(x & 0xFFFF));
}

class SaverWndTest : public testing::Test
{
protected:
    SaverWndTest()
    {
        m_app.m_strProfileName = m_dir.Path("kelvane.ini");
        Headless::SetScreenSize(640, 360);
        MakeSaver();
    }

    // A new saver as the application's main window; the previous one, if any, is left as it is.
    void MakeSaver()
    {
        m_pWnd = new CSaverWnd;
        EXPECT_TRUE(m_pWnd->CreateFullScreen());
        m_app.m_pMainWnd = m_pWnd;
        m_hWnd = m_pWnd->GetSafeHwnd();
        Headless::PumpMessages();
    }

    bool Alive() const { return Headless::GetWindowInfo(m_hWnd).bAlive; }

    // Delivers msg as the system would, then whatever it queued; true when the saver closed.
    bool Closes(UINT message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0)
    {
        Headless::Post(m_hWnd, message, wParam, lParam);
        Headless::PumpMessages();
        return !Alive();
    }

    std::size_t DefaultCallsFor(UINT message) const
    {
        std::size_t n = 0;
        for (const Headless::DefaultCall& call : Headless::DefaultCalls())
            n += call.hWnd == m_hWnd && call.message == message ? 1 : 0;
        return n;
    }

    TestSupport::TempDir m_dir;
    CWinApp m_app;
    CSaverWnd* m_pWnd = nullptr;   // deletes itself
    WindowHandle m_hWnd = 0;
};
}   // namespace

TEST_F(SaverWndTest, CoversTheScreenTopMostWithTheBlankCursorAndAnimates)
{
    const Headless::WindowInfo info = Headless::GetWindowInfo(m_hWnd);
    EXPECT_EQ(info.hParent, 0u);
    EXPECT_EQ(info.rcWindow, CRect(0, 0, 640, 360));
    EXPECT_EQ(info.dwExStyle, WS_EX_TOPMOST);
    EXPECT_EQ(info.dwStyle, WS_POPUP | WS_VISIBLE);
    EXPECT_EQ(info.nIDCursor, static_cast<UINT>(IDC_BLANK));
    EXPECT_EQ(info.nTimers, 1);

    ASSERT_TRUE(Headless::NextTick());
    EXPECT_EQ(m_pWnd->GetFlakes().size(), 100u);

    EXPECT_EQ(Headless::Send(m_hWnd, WM_SETCURSOR), 1);
    EXPECT_TRUE(Headless::TakeCursorHidden());
    m_pWnd->DestroyWindow();
}

TEST_F(SaverWndTest, OnlyAMoveAwayFromTheFirstReportedPositionClosesInAnyDirection)
{
    const struct
    {
        const char* name;
        int dx, dy;
    } moves[] = {{"right", 1, 0}, {"left", -1, 0},      {"down", 0, 1},
                 {"up", 0, -1},   {"down right", 1, 1}, {"up right", 1, -1}};
    for (std::size_t i = 0; i < std::size(moves); ++i)
    {
        SCOPED_TRACE(moves[i].name);
        if (i > 0)
            MakeSaver();
        EXPECT_FALSE(Closes(WM_MOUSEMOVE, 0, PointParam(300, 200)));
        EXPECT_FALSE(Closes(WM_MOUSEMOVE, 0, PointParam(300, 200)));
        EXPECT_EQ(DefaultCallsFor(WM_MOUSEMOVE), 2u);
        EXPECT_EQ(Headless::QuitPosted(), i > 0);   // only the savers of earlier cases have ended
        EXPECT_TRUE(Closes(WM_MOUSEMOVE, 0, PointParam(300 + moves[i].dx, 200 + moves[i].dy)));

        int nExitCode = -1;
        EXPECT_TRUE(Headless::QuitPosted(&nExitCode));
        EXPECT_EQ(nExitCode, 0);
        EXPECT_EQ(m_app.m_pMainWnd, nullptr);
    }
}

TEST_F(SaverWndTest, EachKeyOrButtonPressClosesButReleasesDoNot)
{
    EXPECT_FALSE(Closes(WM_KEYUP, 'A'));
    EXPECT_FALSE(Closes(WM_LBUTTONUP));
    const UINT presses[] = {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_MBUTTONDOWN, WM_RBUTTONDOWN};
    m_pWnd->DestroyWindow();
    for (const UINT message : presses)
    {
        SCOPED_TRACE(message);
        MakeSaver();
        EXPECT_TRUE(Closes(message));
        EXPECT_EQ(DefaultCallsFor(message), 1u);
    }
}

TEST_F(SaverWndTest, LosingActivationCloses)
{
    EXPECT_EQ(Headless::Send(m_hWnd, WM_NCACTIVATE, 0), 0);   // refuses to look inactive
    EXPECT_EQ(DefaultCallsFor(WM_NCACTIVATE), 0u);
    EXPECT_EQ(Headless::Send(m_hWnd, WM_NCACTIVATE, 1), 1);
    EXPECT_FALSE(Closes(WM_ACTIVATE, 1));
    EXPECT_FALSE(Closes(WM_ACTIVATEAPP, 1));
    EXPECT_TRUE(Closes(WM_ACTIVATEAPP, 0));

    MakeSaver();
    EXPECT_TRUE(Closes(WM_ACTIVATE, WA_INACTIVE));
}

TEST_F(SaverWndTest, IgnoresTheSystemsScreenSaveAndCloseCommands)
{
    for (const std::uintptr_t nID : {SC_SCREENSAVE, SC_SCREENSAVE | 0xF, SC_CLOSE, SC_CLOSE | 2})
    {
        SCOPED_TRACE(nID);
        EXPECT_FALSE(Closes(WM_SYSCOMMAND, nID));
    }
    EXPECT_EQ(DefaultCallsFor(WM_SYSCOMMAND), 0u);
    constexpr std::uintptr_t SC_MINIMIZE = 0xF020;
    EXPECT_FALSE(Closes(WM_SYSCOMMAND, SC_MINIMIZE));
    EXPECT_EQ(DefaultCallsFor(WM_SYSCOMMAND), 1u);
    m_pWnd->DestroyWindow();
}

TEST_F(SaverWndTest, SeveralTriggersInARowEndItOnce)
{
    Headless::Post(m_hWnd, WM_KEYDOWN, 'A');
    Headless::Post(m_hWnd, WM_LBUTTONDOWN);
    Headless::Post(m_hWnd, WM_ACTIVATEAPP, 0);
    Headless::PumpMessages();   // three closes queued; those after the first find no window
    EXPECT_FALSE(Alive());
    EXPECT_TRUE(Headless::QuitPosted());
}

namespace
{
// A saver covering several monitors; each case has an application of its own, so that a quit one
// case posts is not the next case's.
class SaverMonitorsTest : public testing::Test
{
protected:
    static constexpr CRect kPrimary{0, 0, 640, 360};
    static constexpr CRect kRight{640, 0, 1920, 720};
    static constexpr CRect kLeft{-800, -240, 0, 360};

    void StartSaver(const std::vector<CRect>& monitors)
    {
        m_pApp.reset();
        m_pApp = std::make_unique<CWinApp>();
        m_pApp->m_strProfileName = m_dir.Path("kelvane.ini");
        Headless::SetMonitors(monitors);
        auto* pWnd = new CSaverWnd;
        ASSERT_TRUE(pWnd->CreateFullScreen());
        m_pApp->m_pMainWnd = pWnd;
        m_hPrimary = pWnd->GetSafeHwnd();
        pWnd->CoverOtherMonitors();
        Headless::PumpMessages();
    }

    // The windows beside the primary's and the rectangles they cover, in the order they were made.
    std::vector<std::pair<WindowHandle, CRect>> Others() const
    {
        std::vector<std::pair<WindowHandle, CRect>> others;
        for (const WindowHandle hWnd : Headless::TopLevelWindows())
            if (hWnd != m_hPrimary)
                others.emplace_back(hWnd, Headless::GetWindowInfo(hWnd).rcWindow);
        return others;
    }

    std::vector<CRect> OtherRects() const
    {
        std::vector<CRect> rects;
        for (const auto& [hWnd, rc] : Others())
            rects.push_back(rc);
        return rects;
    }

    TestSupport::TempDir m_dir;
    std::unique_ptr<CWinApp> m_pApp;
    WindowHandle m_hPrimary = 0;
};
}   // namespace

TEST_F(SaverMonitorsTest, AnyClosingInputOnAnotherMonitorEndsTheProgramAtOnce)
{
    const struct
    {
        const char* name;
        UINT message;
        std::intptr_t lParam;
    } inputs[] = {
        {"key", WM_KEYDOWN, 0},
        {"system key", WM_SYSKEYDOWN, 0},
        {"left button", WM_LBUTTONDOWN, PointParam(5, 5)},
        {"middle button", WM_MBUTTONDOWN, PointParam(5, 5)},
        {"right button", WM_RBUTTONDOWN, PointParam(5, 5)},
        {"move", WM_MOUSEMOVE, PointParam(101, 100)},
        {"deactivation", WM_ACTIVATEAPP, 0},
    };
    for (const auto& input : inputs)
    {
        SCOPED_TRACE(input.name);
        StartSaver({kPrimary, kRight, kLeft});
        const auto others = Others();
        ASSERT_EQ(others.size(), 2u);
        const WindowHandle hLeft = others[1].first;
        // The pointer's first report over the window is not the user.
        Headless::Post(hLeft, WM_MOUSEMOVE, 0, PointParam(100, 100));
        Headless::PumpMessages();
        EXPECT_FALSE(Headless::QuitPosted());

        Headless::Post(hLeft, input.message, 0, input.lParam);
        Headless::PumpMessages();
        EXPECT_FALSE(Headless::GetWindowInfo(hLeft).bAlive);
        int nExitCode = -1;
        EXPECT_TRUE(Headless::QuitPosted(&nExitCode));
        EXPECT_EQ(nExitCode, 0);
        // The loop ends before another frame of any saver.
        const std::uint64_t nBefore = Headless::Now();
        EXPECT_EQ(m_pApp->Run(), 0);
        EXPECT_EQ(Headless::Now(), nBefore);
    }
}

TEST_F(SaverMonitorsTest, MonitorsThatComeAndGoGainAndLoseTheirSaversWhileTheSaverRuns)
{
    StartSaver({kPrimary, kRight});
    ASSERT_EQ(OtherRects(), std::vector<CRect>({kRight}));
    const WindowHandle hRight = Others()[0].first;

    // Plugged in: covered at once, the others untouched.
    Headless::SetMonitors({kPrimary, kRight, kLeft});
    EXPECT_EQ(OtherRects(), std::vector<CRect>({kRight, kLeft}));
    EXPECT_EQ(Others()[0].first, hRight);

    // Unplugged: its saver goes, and the program runs on.
    Headless::SetMonitors({kPrimary, kLeft});
    Headless::PumpMessages();
    EXPECT_FALSE(Headless::GetWindowInfo(hRight).bAlive);
    EXPECT_EQ(OtherRects(), std::vector<CRect>({kLeft}));
    EXPECT_FALSE(Headless::QuitPosted());

    // A monitor that changes its size or place gets a saver that fits it.
    const CRect rcLeftWider{-1024, -240, 0, 528};
    Headless::SetMonitors({kPrimary, rcLeftWider});
    Headless::PumpMessages();
    EXPECT_EQ(OtherRects(), std::vector<CRect>({rcLeftWider}));
    EXPECT_FALSE(Headless::QuitPosted());

    // Down to the primary alone: the saver runs on, and animates.
    Headless::SetMonitors({kPrimary});
    Headless::PumpMessages();
    EXPECT_TRUE(Others().empty());
    EXPECT_FALSE(Headless::QuitPosted());
    EXPECT_TRUE(Headless::GetWindowInfo(m_hPrimary).bAlive);
    EXPECT_TRUE(Headless::NextTick());

    // The saver still ends on the user, from a monitor plugged in late too.
    Headless::SetMonitors({kPrimary, kRight});
    ASSERT_EQ(Others().size(), 1u);
    Headless::Post(Others()[0].first, WM_KEYDOWN, ' ');
    Headless::PumpMessages();
    EXPECT_TRUE(Headless::QuitPosted());
}

TEST_F(SaverMonitorsTest, AMonitorWhoseSaverClosedOrWasRefusedIsNotLeftDangling)
{
    // The system refuses the second monitor's window: the others still cover theirs.
    m_pApp = std::make_unique<CWinApp>();
    m_pApp->m_strProfileName = m_dir.Path("kelvane.ini");
    Headless::SetMonitors({kPrimary, kRight, kLeft});
    auto* pWnd = new CSaverWnd;
    ASSERT_TRUE(pWnd->CreateFullScreen());
    m_pApp->m_pMainWnd = pWnd;
    m_hPrimary = pWnd->GetSafeHwnd();
    Headless::RefuseWindows(1);
    pWnd->CoverOtherMonitors();
    EXPECT_EQ(OtherRects(), std::vector<CRect>({kLeft}));
    // The next change of monitors tries again.
    Headless::SetMonitors({kPrimary, kRight, kLeft});
    EXPECT_EQ(OtherRects(), std::vector<CRect>({kLeft, kRight}));

    // The primary's saver closes first: the others forget it, and a later change finds nothing to cover.
    const auto others = Others();
    Headless::Post(m_hPrimary, WM_KEYDOWN, ' ');
    Headless::PumpMessages();
    EXPECT_TRUE(Headless::QuitPosted());
    Headless::SetMonitors({kPrimary});
    for (const auto& [hWnd, rc] : others)
        Headless::DestroyWindow(hWnd);
    EXPECT_TRUE(Headless::TopLevelWindows().empty());
}

TEST_F(SaverMonitorsTest, ThePointersFirstPositionIsOneForEveryMonitor)
{
    // Each window hears where the pointer was when it appeared, in its own client coordinates:
    // the same place on the screen is no movement, wherever the report arrives.
    const struct
    {
        const char* name;
        int nFirst;   // 0: the primary, 1: right, 2: left
        CPoint ptFirst;
        int nSecond;
        CPoint ptSecond;
        bool bCloses;
    } cases[] = {
        {"same place seen by the right monitor's saver", 0, {700, 100}, 1, {60, 100}, false},
        {"same place seen by the left monitor's saver", 2, {700, 100}, 0, {-100, -140}, false},
        {"reported first on the primary, then a move onto the right", 0, {300, 200}, 1, {0, 0}, true},
        {"reported first on the left, then a move onto the primary", 2, {799, 239}, 0, {0, 0}, true},
        {"reported first on the right, then one pixel on the right", 1, {10, 10}, 1, {11, 10}, true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        StartSaver({kPrimary, kRight, kLeft});
        const auto others = Others();
        ASSERT_EQ(others.size(), 2u);
        const WindowHandle windows[] = {m_hPrimary, others[0].first, others[1].first};
        Headless::Post(windows[c.nFirst], WM_MOUSEMOVE, 0, PointParam(c.ptFirst.x, c.ptFirst.y));
        Headless::Post(windows[c.nSecond], WM_MOUSEMOVE, 0, PointParam(c.ptSecond.x, c.ptSecond.y));
        Headless::PumpMessages();
        EXPECT_EQ(Headless::QuitPosted(), c.bCloses);
    }
}
