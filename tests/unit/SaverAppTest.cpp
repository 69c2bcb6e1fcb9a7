// Unit tests of the application's modes on the headless back end.

#include "app/SaverApp.h"

#include "TestSupport.h"
#include "platform/headless/Headless.h"
#include "res/Resource.h"
#include "saver/SaverWnd.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace
{
class SaverAppTest : public testing::Test
{
protected:
    SaverAppTest()
    {
        m_app.m_strProfileName = m_dir.Path("kelvane.ini");
        Headless::SetScreenSize(800, 600);
    }
    // A refusal a failed test left unused must not reach the next test's application.
    ~SaverAppTest() override { Headless::RefuseWindows(0); }

    // InitInstance with this command line; the program's name comes first.
    bool Start(std::vector<std::string> args)
    {
        args.insert(args.begin(), "kelvane");
        m_args = std::move(args);
        m_argv.clear();
        for (std::string& arg : m_args)
            m_argv.push_back(arg.data());
        m_app.m_argc = static_cast<int>(m_argv.size());
        m_app.m_argv = m_argv.data();
        return m_app.InitInstance();
    }

    TestSupport::TempDir m_dir;
    CSaverApp m_app;
    std::vector<std::string> m_args;
    std::vector<char*> m_argv;
};
}   // namespace

TEST_F(SaverAppTest, SaverSwitchesRunFullScreenUntilTheWindowCloses)
{
    for (const char* arg : {"/s", "-s", "s", "/screen"})
    {
        SCOPED_TRACE(arg);
        ASSERT_TRUE(Start({arg}));
        ASSERT_NE(dynamic_cast<CSaverWnd*>(m_app.m_pMainWnd), nullptr);
        const WindowHandle hWnd = m_app.m_pMainWnd->GetSafeHwnd();
        EXPECT_EQ(Headless::GetWindowInfo(hWnd).rcWindow, CRect(0, 0, 800, 600));
        Headless::Post(hWnd, WM_KEYDOWN, ' ');
        Headless::PumpMessages();
        EXPECT_FALSE(Headless::GetWindowInfo(hWnd).bAlive);
        EXPECT_EQ(m_app.m_pMainWnd, nullptr);
        EXPECT_TRUE(Headless::QuitPosted());
    }
}

TEST_F(SaverAppTest, PreviewCoversTheHostsClientAreaAndEndsWithTheHost)
{
    const WindowHandle hHost = Headless::CreateHostWindow(CRect(100, 50, 252, 162));
    ASSERT_TRUE(Start({"/p", std::to_string(hHost)}));
    ASSERT_NE(m_app.m_pMainWnd, nullptr);
    const WindowHandle hSnow = m_app.m_pMainWnd->GetSafeHwnd();
    const Headless::WindowInfo info = Headless::GetWindowInfo(hSnow);
    EXPECT_EQ(info.hParent, hHost);
    EXPECT_EQ(info.dwStyle, WS_CHILD | WS_VISIBLE);
    EXPECT_EQ(info.dwExStyle, 0u);
    EXPECT_EQ(info.rcWindow, CRect(100, 50, 252, 162));

    ASSERT_TRUE(Headless::NextTick());
    EXPECT_FALSE(TestSupport::WhitePixels(*Headless::FrameBufferOf(hSnow)).empty());
    EXPECT_FALSE(Headless::QuitPosted());
    Headless::DestroyWindow(hHost);
    EXPECT_FALSE(Headless::GetWindowInfo(hSnow).bAlive);
    EXPECT_TRUE(Headless::QuitPosted());
}

TEST_F(SaverAppTest, PreviewWithoutALiveHostEndsAtOnce)
{
    const WindowHandle hGone = Headless::CreateHostWindow(CRect(0, 0, 100, 100));
    Headless::DestroyWindow(hGone);
    for (const std::string& handle : {std::string("0"), std::string("host"), std::string("-4096"),
                                      std::string("99999999999999999999"), std::to_string(hGone)})
    {
        SCOPED_TRACE(handle);
        EXPECT_FALSE(Start({"/p", handle}));
        EXPECT_EQ(m_app.m_pMainWnd, nullptr);
        EXPECT_TRUE(Headless::TopLevelWindows().empty());
    }
}

TEST_F(SaverAppTest, AWindowTheSystemRefusesEndsAtOnceWithNoMainWindow)
{
    // The refused window's object has deleted itself: the application must hold no pointer to it.
    const WindowHandle hHost = Headless::CreateHostWindow(CRect(100, 50, 252, 162));
    const std::vector<std::string> commands[] = {{"/s"}, {"/p", std::to_string(hHost)}};
    for (const std::vector<std::string>& args : commands)
    {
        SCOPED_TRACE(args.front());
        Headless::RefuseWindows(1);
        EXPECT_FALSE(Start(args));
        EXPECT_EQ(m_app.m_pMainWnd, nullptr);
        EXPECT_TRUE(Headless::TopLevelWindows().empty());

        // Only that one window was refused: the next start runs, and ends as usual.
        ASSERT_TRUE(Start(args));
        ASSERT_NE(m_app.m_pMainWnd, nullptr);
        const WindowHandle hWnd = m_app.m_pMainWnd->GetSafeHwnd();
        EXPECT_TRUE(Headless::GetWindowInfo(hWnd).bAlive);
        Headless::DestroyWindow(hWnd);
        EXPECT_EQ(m_app.m_pMainWnd, nullptr);
    }
    EXPECT_TRUE(Headless::GetWindowInfo(hHost).bAlive);
}

TEST_F(SaverAppTest, UnknownSwitchesEndAtOnceWithoutAWindowOrMessage)
{
    for (const char* arg : {"/C", "//s", "/p:1234", "/p", "/x", ""})
    {
        SCOPED_TRACE(arg);
        EXPECT_FALSE(Start({arg}));
        EXPECT_TRUE(Headless::TopLevelWindows().empty());
    }
    EXPECT_TRUE(Headless::MessageBoxes().empty());
}

TEST_F(SaverAppTest, SettingsModeRunsTheDialogWithoutTheLoopAndStoresOnlyWhatOkAccepts)
{
    // Escape, Cancel, the close command: nothing is written, even after the preview showed a change.
    const std::vector<std::function<void(WindowHandle)>> closes = {
        [](WindowHandle hDlg) { Headless::PressEscape(hDlg); },
        [](WindowHandle hDlg) { Headless::ClickButton(hDlg, IDCANCEL); },
        [](WindowHandle hDlg) { Headless::Send(hDlg, WM_SYSCOMMAND, SC_CLOSE); },
    };
    for (const char* arg : {"", "/c:4711", "-c", "c"})
    {
        SCOPED_TRACE(arg);
        for (const auto& close : closes)
        {
            Headless::PushModalScript([&](WindowHandle hDlg) {
                EXPECT_EQ(m_app.m_pMainWnd->GetSafeHwnd(), hDlg);
                EXPECT_EQ(Headless::GetWindowInfo(hDlg).hParent, 0u);   // no owner, whatever the switch says
                Headless::TypeText(Headless::DlgItem(hDlg, IDC_PERIOD), "25");
                close(hDlg);
            });
            EXPECT_FALSE(*arg == '\0' ? Start({}) : Start({arg}));
            EXPECT_EQ(m_app.m_pMainWnd, nullptr);
            EXPECT_TRUE(Headless::TopLevelWindows().empty());
            EXPECT_FALSE(std::filesystem::exists(m_app.m_strProfileName));
        }
    }
    EXPECT_TRUE(Headless::MessageBoxes().empty());

    Headless::PushModalScript([](WindowHandle hDlg) {
        Headless::TypeText(Headless::DlgItem(hDlg, IDC_PERIOD), "25");
        Headless::TypeText(Headless::DlgItem(hDlg, IDC_FLUTTER), "12.5");
        Headless::ClickButton(hDlg, IDOK);
    });
    EXPECT_FALSE(Start({"/c"}));
    EXPECT_EQ(TestSupport::ReadFile(m_app.m_strProfileName),
              "[Config-Ver102]" + TestSupport::kNewLine + "Period=25" + TestSupport::kNewLine + "Count=100" +
                  TestSupport::kNewLine + "PixelRatio=210" + TestSupport::kNewLine + "DeltaTime=0.05" +
                  TestSupport::kNewLine + "Gravitation=9.8" + TestSupport::kNewLine + "Resistance=0.25" +
                  TestSupport::kNewLine + "Flutter=12.5" + TestSupport::kNewLine);
}

TEST_F(SaverAppTest, SettingsThatCannotBeSavedAreReportedAndTheOldProfileStays)
{
    // The profile's folder is a file: nothing can be written there.
    TestSupport::WriteFile(m_dir.Path("blocked"), "");
    m_app.m_strProfileName = m_dir.Path("blocked") + "/kelvane.ini";
    Headless::PushModalScript([](WindowHandle hDlg) { Headless::ClickButton(hDlg, IDOK); });
    EXPECT_FALSE(Start({}));
    ASSERT_EQ(Headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(Headless::MessageBoxes()[0].text, "設定を保存できませんでした。\n" + m_app.m_strProfileName);
    EXPECT_EQ(Headless::MessageBoxes()[0].nType, MB_ICONEXCLAMATION);
    EXPECT_EQ(Headless::MessageBoxes()[0].caption, "Kelvane");
}

TEST_F(SaverAppTest, SaverCoversEveryMonitorEachWithSnowOfItsOwnWidth)
{
    const struct
    {
        const char* name;
        std::vector<CRect> monitors;   // primary first
        std::vector<CRect> others;     // the windows beside the primary's, in the order made
    } layouts[] = {
        {"one monitor", {{0, 0, 800, 600}}, {}},
        {"a wider one to the right", {{0, 0, 800, 600}, {800, 0, 2080, 1024}}, {{800, 0, 2080, 1024}}},
        {"left of and above the primary",
         {{0, 0, 800, 600}, {-1280, -200, 0, 824}, {0, -768, 1024, 0}},
         {{-1280, -200, 0, 824}, {0, -768, 1024, 0}}},
        {"mirrored monitors",
         {{0, 0, 800, 600}, {800, 0, 1600, 600}, {800, 0, 1600, 600}, {0, 0, 800, 600}},
         {{800, 0, 1600, 600}}},
    };
    for (const auto& layout : layouts)
    {
        SCOPED_TRACE(layout.name);
        Headless::SetMonitors(layout.monitors);
        ASSERT_TRUE(Start({"/s"}));
        ASSERT_NE(dynamic_cast<CSaverWnd*>(m_app.m_pMainWnd), nullptr);
        const WindowHandle hMain = m_app.m_pMainWnd->GetSafeHwnd();
        EXPECT_EQ(Headless::GetWindowInfo(hMain).rcWindow, CRect(0, 0, 800, 600));
        EXPECT_EQ(Headless::GetWindowInfo(hMain).dwExStyle, WS_EX_TOPMOST);

        std::vector<WindowHandle> others = Headless::TopLevelWindows();
        std::erase(others, hMain);
        ASSERT_EQ(others.size(), layout.others.size());
        for (std::size_t i = 0; i < others.size(); ++i)
        {
            SCOPED_TRACE(i);
            const Headless::WindowInfo info = Headless::GetWindowInfo(others[i]);
            EXPECT_EQ(info.rcWindow, layout.others[i]);
            EXPECT_EQ(info.hParent, 0u);
            EXPECT_EQ(info.dwStyle, WS_POPUP | WS_VISIBLE);
            EXPECT_EQ(info.dwExStyle, WS_EX_TOPMOST | WS_EX_NOACTIVATE);   // never deactivates the primary's saver
            EXPECT_EQ(info.nIDCursor, static_cast<UINT>(IDC_BLANK));
            EXPECT_EQ(info.nTimers, 1);

            // One frame, as the window's timer gives it (an earlier case's quit stops the clock).
            Headless::Send(others[i], WM_TIMER, CSnowWnd::ID_TIMER_FRAME);
            const auto* pSaver = dynamic_cast<const CSaverWnd*>(CWnd::FromHandle(others[i]));
            ASSERT_NE(pSaver, nullptr);
            ASSERT_EQ(pSaver->GetFlakes().size(), 100u);
            const double dWidth = layout.others[i].Width();
            for (const Flake& f : pSaver->GetFlakes())
                ASSERT_NEAR(f.radius * f.depth * pSaver->GetPixelRatio(), dWidth, 1e-6 * dWidth);
            const CFrameBuffer& frame = *Headless::FrameBufferOf(others[i]);
            EXPECT_EQ(frame.Width(), layout.others[i].Width());
            EXPECT_EQ(frame.Height(), layout.others[i].Height());
            EXPECT_FALSE(TestSupport::WhitePixels(frame).empty());
        }
        for (const WindowHandle hWnd : Headless::TopLevelWindows())
            Headless::DestroyWindow(hWnd);
        EXPECT_EQ(m_app.m_pMainWnd, nullptr);
    }
}

TEST_F(SaverAppTest, PreviewStaysOneWindowWhateverTheMonitors)
{
    Headless::SetMonitors({{0, 0, 800, 600}, {800, 0, 1600, 600}});
    const WindowHandle hHost = Headless::CreateHostWindow(CRect(100, 50, 252, 162));
    ASSERT_TRUE(Start({"/p", std::to_string(hHost)}));
    EXPECT_TRUE(Headless::TopLevelWindows().empty());   // the preview is a child of its host
    Headless::SetMonitors({{0, 0, 800, 600}, {800, 0, 1600, 600}, {1600, 0, 2400, 600}});
    EXPECT_TRUE(Headless::TopLevelWindows().empty());
    Headless::DestroyWindow(hHost);
}
