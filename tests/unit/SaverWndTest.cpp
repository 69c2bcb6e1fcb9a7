#include "saver/SaverWnd.h"

#include "TestSupport.h"
#include "platform/WinApp.h"
#include "platform/headless/Headless.h"
#include "res/Resource.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>

namespace
{
std::intptr_t PointParam(int x, int y)
{
    return static_cast<std::intptr_t>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) | static_cast<std::uint32_t>(x & 0xFFFF));
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
    } moves[] = {{"right", 1, 0}, {"left", -1, 0}, {"down", 0, 1}, {"up", 0, -1}, {"down right", 1, 1}, {"up right", 1, -1}};
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
