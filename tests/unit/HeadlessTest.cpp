// The headless window system behaves as the program expects of any platform.

#include "platform/headless/Headless.h"
#include "TestSupport.h"
#include "platform/Dc.h"
#include "platform/Runtime.h"
#include "platform/WinApp.h"
#include "platform/Wnd.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace
{
// Records what happens to it, in order.
class RecordingWnd : public CWnd
{
public:
    explicit RecordingWnd(std::vector<std::string>& log, std::string name) : m_log(log), m_name(std::move(name)) {}

    bool m_bCloseOnTick = false;
    bool m_bDeleteWhenGone = false;

protected:
    int OnCreate() override
    {
        m_log.push_back(m_name + " create");
        return CWnd::OnCreate();
    }
    void OnTimer(UINT nIDEvent) override
    {
        m_log.push_back(m_name + " tick " + std::to_string(nIDEvent) + " at " + std::to_string(Headless::Now()));
        if (m_bCloseOnTick)
        {
            PostMessage(WM_CLOSE);
            m_log.push_back(m_name + " posted close");
        }
    }
    void OnPaint() override
    {
        CPaintDC dc(this);
        m_log.push_back(m_name + " paint");
    }
    void OnDestroy() override { m_log.push_back(m_name + " destroy"); }
    void PostNcDestroy() override
    {
        m_log.push_back(m_name + " gone");
        if (m_bDeleteWhenGone)
            delete this;
    }

private:
    std::vector<std::string>& m_log;
    std::string m_name;
};

class HeadlessTest : public testing::Test
{
protected:
    CWinApp m_app;
    std::vector<std::string> m_log;
};
}   // namespace

TEST_F(HeadlessTest, TimersTickOnTheSimulatedClockNeverFasterThanTenMs)
{
    RecordingWnd wnd(m_log, "w");
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0));
    wnd.SetTimer(1, 40);
    wnd.SetTimer(7, 3);
    Headless::Advance(45);
    const std::vector<std::string> expected = {"w create",       "w tick 7 at 10", "w tick 7 at 20",
                                               "w tick 7 at 30", "w tick 1 at 40", "w tick 7 at 40"};
    EXPECT_EQ(m_log, expected);
    EXPECT_EQ(Headless::Now(), 45u);

    m_log.clear();
    wnd.KillTimer(7);
    wnd.SetTimer(1, 100);   // restarts from now
    EXPECT_TRUE(Headless::NextTick());
    EXPECT_EQ(m_log, std::vector<std::string>{"w tick 1 at 145"});
    wnd.KillTimer(1);
    EXPECT_FALSE(Headless::NextTick());
}

TEST_F(HeadlessTest, VisibleWindowsPaintBeforeTheirFirstTick)
{
    RecordingWnd wnd(m_log, "w");
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "", WS_POPUP | WS_VISIBLE, CRect(0, 0, 10, 10), nullptr, 0));
    wnd.SetTimer(1, 10);
    Headless::NextTick();
    EXPECT_EQ(m_log, (std::vector<std::string>{"w create", "w paint", "w tick 1 at 10"}));
}

TEST_F(HeadlessTest, APostedCloseRunsAfterTheHandlerAndEndsTheMainWindow)
{
    auto* pWnd = new RecordingWnd(m_log, "w");
    pWnd->m_bCloseOnTick = true;
    pWnd->m_bDeleteWhenGone = true;
    ASSERT_TRUE(pWnd->CreateEx(0, nullptr, "", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0));
    m_app.m_pMainWnd = pWnd;
    pWnd->SetTimer(1, 50);
    const WindowHandle hWnd = pWnd->GetSafeHwnd();
    Headless::Post(hWnd, WM_CLOSE);   // queued twice: the second finds the window gone and is dropped
    m_log.clear();
    EXPECT_EQ(m_app.Run(), 0);
    EXPECT_EQ(m_log, (std::vector<std::string>{"w destroy", "w gone"}));
    EXPECT_EQ(m_app.m_pMainWnd, nullptr);
    EXPECT_FALSE(Headless::GetWindowInfo(hWnd).bAlive);
}

TEST_F(HeadlessTest, CloseIsPostedNotSent)
{
    auto* pWnd = new RecordingWnd(m_log, "w");
    pWnd->m_bCloseOnTick = true;
    pWnd->m_bDeleteWhenGone = true;
    ASSERT_TRUE(pWnd->CreateEx(0, nullptr, "", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0));
    pWnd->SetTimer(1, 50);
    Headless::NextTick();
    EXPECT_EQ(m_log, (std::vector<std::string>{"w create", "w tick 1 at 50", "w posted close", "w destroy", "w gone"}));
}

TEST_F(HeadlessTest, ParentsGoBeforeTheirChildrenAreGone)
{
    RecordingWnd parent(m_log, "parent");
    RecordingWnd child(m_log, "child");
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "", WS_POPUP, CRect(10, 10, 110, 110), nullptr, 0));
    ASSERT_TRUE(child.CreateEx(0, nullptr, "", WS_CHILD, CRect(5, 6, 25, 26), &parent, 0));
    CRect rc;
    child.GetWindowRect(&rc);
    EXPECT_EQ(rc, CRect(15, 16, 35, 36));
    m_log.clear();
    parent.DestroyWindow();
    EXPECT_EQ(m_log, (std::vector<std::string>{"parent destroy", "child destroy", "child gone", "parent gone"}));
    EXPECT_FALSE(child.IsWindow());
    EXPECT_FALSE(child.CreateEx(0, nullptr, "", WS_CHILD, CRect(0, 0, 1, 1), &parent, 0));   // a dead parent
}

TEST_F(HeadlessTest, TheSystemMenusCloseCommandClosesByDefault)
{
    RecordingWnd wnd(m_log, "w");
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0));
    const std::size_t nBefore = Headless::DefaultCalls().size();
    Headless::Send(wnd.GetSafeHwnd(), WM_SYSCOMMAND, SC_CLOSE | 3);
    EXPECT_FALSE(wnd.IsWindow());
    ASSERT_EQ(Headless::DefaultCalls().size(), nBefore + 2);
    EXPECT_EQ(Headless::DefaultCalls()[nBefore].message, static_cast<UINT>(WM_SYSCOMMAND));
    EXPECT_EQ(Headless::DefaultCalls()[nBefore + 1].message, static_cast<UINT>(WM_CLOSE));
}

TEST_F(HeadlessTest, ALoopWithNothingToWaitForEnds)
{
    EXPECT_EQ(m_app.Run(), -1);
    AfxPostQuitMessage(3);
    EXPECT_EQ(m_app.Run(), 3);
}

TEST_F(HeadlessTest, StringsComeFromTheProgramsTable)
{
    EXPECT_EQ(AfxLoadString(1), "Kelvane");
    EXPECT_EQ(AfxLoadString(101), "&About Saver...");
    EXPECT_EQ(AfxLoadString(4711), "");
}

TEST_F(HeadlessTest, ClockAndProcessIdSeedTheRuntime)
{
    Headless::SetClock(5000, 77);
    EXPECT_EQ(AfxGetTime(), 5000u);
    EXPECT_EQ(AfxGetProcessId(), 77u);
    Headless::Advance(2500);
    EXPECT_EQ(AfxGetTime(), 5002u);
    Headless::SetScreenSize(800, 600);
    EXPECT_EQ(AfxGetSystemMetrics(SM_CXSCREEN), 800);
    EXPECT_EQ(AfxGetSystemMetrics(SM_CYSCREEN), 600);
}

namespace
{
// An application whose InitInstance says whether to run the loop, and posts quit if it does.
class TestApp : public CWinApp
{
public:
    explicit TestApp(bool bRun) : m_bRun(bRun) {}

    bool InitInstance() override
    {
        ++m_nInits;
        if (m_bRun)
            AfxPostQuitMessage(7);
        return m_bRun;
    }

    bool m_bRun;
    int m_nInits = 0;
};
}   // namespace

TEST(AppFrame, TheExecutablesNameNamesTheProfile)
{
    const TestSupport::ScopedEnv config("XDG_CONFIG_HOME", "/tmp/kelvane-config");
    for (const char* argv0 : {"/usr/lib/xscreensaver/kelvane", "C:\\Windows\\System32\\kelvane.scr", "kelvane"})
    {
        SCOPED_TRACE(argv0);
        TestApp app(false);
        char* argv[] = {const_cast<char*>(argv0), nullptr};
        EXPECT_EQ(AfxWinMain(1, argv), 0);   // InitInstance said no: no loop, exit code 0
        EXPECT_EQ(app.m_nInits, 1);
        EXPECT_EQ(app.m_strExeName, "kelvane");
        EXPECT_EQ(app.m_strProfileName, "/tmp/kelvane-config/kelvane.ini");
    }
    TestApp running(true);
    char* argv[] = {const_cast<char*>("kelvane"), const_cast<char*>("/s"), nullptr};
    EXPECT_EQ(AfxWinMain(2, argv), 7);   // the loop runs until the quit message and returns its code
    EXPECT_EQ(running.m_argc, 2);
}

TEST_F(HeadlessTest, AWindowThatCannotBeMadeStillGetsItsLastCall)
{
    // A preview's host may be gone by the time the child is made; the object must still be told.
    const WindowHandle hHost = Headless::CreateHostWindow(CRect(0, 0, 50, 50));
    CWnd* pHost = CWnd::FromHandle(hHost);
    Headless::DestroyWindow(hHost);
    auto* pWnd = new RecordingWnd(m_log, "child");
    pWnd->m_bDeleteWhenGone = true;
    EXPECT_FALSE(pWnd->CreateEx(0, nullptr, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 50, 50), pHost, 0));
    EXPECT_EQ(m_log, std::vector<std::string>{"child gone"});
}

TEST_F(HeadlessTest, RefusedWindowsAreNeverMadeButStillGetTheirLastCall)
{
    Headless::RefuseWindows(2);
    for (const char* name : {"first", "second", "third"})
    {
        auto* pWnd = new RecordingWnd(m_log, name);
        pWnd->m_bDeleteWhenGone = true;
        if (pWnd->CreateEx(0, nullptr, "", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0))
            pWnd->DestroyWindow();
    }
    EXPECT_EQ(m_log,
              (std::vector<std::string>{"first gone", "second gone", "third create", "third destroy", "third gone"}));
    EXPECT_TRUE(Headless::TopLevelWindows().empty());

    m_log.clear();
    Headless::RefuseWindows(1);
    Headless::RefuseWindows(0);
    RecordingWnd wnd(m_log, "w");
    EXPECT_TRUE(wnd.CreateEx(0, nullptr, "", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0));
}
