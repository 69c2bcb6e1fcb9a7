// Unit tests of the snow window on the headless back end: settings, population, ticks and frames.

#include "snow/SnowWnd.h"

#include "TestSupport.h"
#include "platform/WinApp.h"
#include "platform/headless/Headless.h"
#include "res/Resource.h"
#include "tools/kelvane-record/ImageWriters.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

namespace
{
// A snow window whose client rectangle a test can set without a tick.
class TestSnowWnd : public CSnowWnd
{
public:
    TestSnowWnd() : CSnowWnd(false) {}
    // The client rectangle as a tick would leave it, the first frame's flakes made.
    void SetClient(const CRect& rc)
    {
        m_rcClient = rc;
        m_bNeedFill = false;
    }
};

// A snow window that shows the random values its flakes are drawn with this frame.
class ChoicesSnowWnd : public CSnowWnd
{
public:
    ChoicesSnowWnd() : CSnowWnd(true) {}
    const std::vector<int>& GetDrawChoices() const { return m_drawChoices; }
};

class SnowWndTest : public testing::Test
{
protected:
    SnowWndTest()
    {
        m_app.m_strProfileName = m_dir.Path("kelvane.ini");
        Headless::SetScreenSize(320, 200);
        Headless::SetClock(1000, 0);
    }

    void WriteProfile(const std::string& keys)
    {
        TestSupport::WriteFile(m_app.m_strProfileName, "[Config-Ver102]\n" + keys);
    }

    // A saver-like window over the whole screen, deleted by itself when destroyed.
    CSnowWnd* CreateFullScreen(int cx = 320, int cy = 200)
    {
        auto* pWnd = new CSnowWnd(true);
        EXPECT_TRUE(pWnd->Create(WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE, CRect(0, 0, cx, cy), nullptr));
        return pWnd;
    }

    static std::vector<std::uint32_t> Pixels(const CSnowWnd* pWnd)
    {
        const CFrameBuffer* pFrame = Headless::FrameBufferOf(pWnd->GetSafeHwnd());
        std::vector<std::uint32_t> pixels;
        pFrame->ExpandTo(pixels);
        return pixels;
    }

    TestSupport::TempDir m_dir;
    CWinApp m_app;
};

bool SameFlakes(const std::vector<Flake>& a, const std::vector<Flake>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].vx != b[i].vx || a[i].vy != b[i].vy || a[i].x != b[i].x || a[i].y != b[i].y ||
            a[i].depth != b[i].depth || a[i].radius != b[i].radius)
            return false;
    return true;
}

bool ReadPng(const std::string& path, int& cx, int& cy, std::vector<std::uint32_t>& pixels)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_BGRA;   // 0xAARRGGBB in a little-endian word
    cx = static_cast<int>(image.width);
    cy = static_cast<int>(image.height);
    pixels.resize(static_cast<std::size_t>(cx) * cy);
    return png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0;
}
}   // namespace

TEST_F(SnowWndTest, FlutterZeroFallsAtTerminalVelocity)
{
    TestSnowWnd wnd;
    wnd.SetFlutter(0.0);
    wnd.SetClient(CRect(0, 0, 1024, 768));
    Flake f{0.0, 9.8 / 0.25, 100.0, 0.0, 1.0, 0.0};
    wnd.UpdateRadius(1024.0, f);
    EXPECT_NEAR(f.radius, 4.876, 0.001);
    for (int i = 1; i <= 3; ++i)
    {
        EXPECT_EQ(TestSupport::RandomValuesTaken([&] { EXPECT_TRUE(wnd.StepFlake(f)); }), 2);
        EXPECT_EQ(f.vx, 0.0);
        EXPECT_EQ(f.vy, 39.2);
        EXPECT_EQ(f.x, 100.0);
        EXPECT_NEAR(f.y, i * (0.05 * 39.2 * (1024.0 / 210.0)), 1e-9);
        EXPECT_NEAR(f.y / i, 9.5573, 0.0001);
    }
}

TEST_F(SnowWndTest, RespawnDrawsAcrossThenAboveThenDepth)
{
    TestSnowWnd wnd;
    wnd.SetClient(CRect(0, 0, 400, 300));
    AfxSRand(99);
    const double u1 = AfxRand() / 32767.0, u2 = AfxRand() / 32767.0, u3 = AfxRand() / 32767.0;
    AfxSRand(99);
    Flake f{5, 5, 5, 5, 5, 5};
    wnd.Respawn(f);
    EXPECT_EQ(f.vx, 0.0);
    EXPECT_EQ(f.vy, 9.8 / 0.25);
    EXPECT_EQ(f.x, u1 * 400.0);
    EXPECT_EQ(f.y, u2 * -300.0 * 0.25);
    EXPECT_EQ(f.depth, std::pow(u3 * (1.0 - 1.0 / 256.0) + 1.0 / 256.0, 1.0 / 3.0));
    EXPECT_EQ(f.radius, 400.0 / 210.0 / f.depth);
    EXPECT_GE(f.depth, std::cbrt(1.0 / 256.0));
    EXPECT_LE(f.depth, 1.0);
}

TEST_F(SnowWndTest, OnlyAFlakeWhollyBelowTheBottomIsReborn)
{
    TestSnowWnd wnd;
    wnd.SetFlutter(0.0);
    wnd.SetGravitation(0.0);
    wnd.SetClient(CRect(0, 0, 100, 80));
    Flake atEdge{0, 0, 10, 82.5, 1.0, 2.5};
    EXPECT_TRUE(wnd.StepFlake(atEdge));
    Flake below{0, 0, 10, std::nextafter(82.5, 100.0), 1.0, 2.5};
    EXPECT_FALSE(wnd.StepFlake(below));
    Flake lost{0, 0, 10, std::numeric_limits<double>::quiet_NaN(), 1.0, 2.5};
    EXPECT_FALSE(wnd.StepFlake(lost));
}

TEST_F(SnowWndTest, PopulationGrowsAtTheTailAndShrinksAtTheHead)
{
    TestSnowWnd wnd;
    wnd.SetClient(CRect(0, 0, 200, 100));
    wnd.AddFlakes(5);
    const std::vector<Flake> five = wnd.GetFlakes();

    EXPECT_EQ(TestSupport::RandomValuesTaken([&] { wnd.SetFlakeCount(5); }), 0);
    EXPECT_TRUE(SameFlakes(wnd.GetFlakes(), five));

    wnd.SetFlakeCount(8);
    ASSERT_EQ(wnd.GetFlakes().size(), 8u);
    EXPECT_TRUE(SameFlakes(std::vector<Flake>(wnd.GetFlakes().begin(), wnd.GetFlakes().begin() + 5), five));
    const std::vector<Flake> eight = wnd.GetFlakes();

    // Shrinking takes the oldest flakes away and leaves the rest as they were.
    EXPECT_EQ(TestSupport::RandomValuesTaken([&] { wnd.SetFlakeCount(6); }), 0);
    EXPECT_TRUE(SameFlakes(wnd.GetFlakes(), std::vector<Flake>(eight.begin() + 2, eight.end())));
    wnd.RemoveFlakes(4);
    EXPECT_TRUE(SameFlakes(wnd.GetFlakes(), std::vector<Flake>(eight.begin() + 6, eight.end())));
    wnd.RemoveFlakes(100);
    EXPECT_TRUE(wnd.GetFlakes().empty());

    wnd.SetFlakeCount(3);
    wnd.SetFlakeCount(0);
    EXPECT_TRUE(wnd.GetFlakes().empty());
    wnd.SetFlakeCount(3);
    wnd.SetFlakeCount(-2000000000);   // what a count of 2294967296 arrives as
    EXPECT_TRUE(wnd.GetFlakes().empty());
    EXPECT_EQ(wnd.GetCount(), 100u);   // the first frame's count stays
}

TEST_F(SnowWndTest, PopulationNeverExceedsItsLimit)
{
    TestSnowWnd wnd;
    wnd.SetClient(CRect(0, 0, 50, 50));
    wnd.SetFlakeCount(std::numeric_limits<int>::max());
    EXPECT_EQ(wnd.GetFlakes().size(), CSnowWnd::kMaxFlakes);
    wnd.AddFlakes(std::numeric_limits<UINT>::max());
    EXPECT_EQ(wnd.GetFlakes().size(), CSnowWnd::kMaxFlakes);
}

TEST_F(SnowWndTest, PixelRatioRescalesRadiiOnly)
{
    TestSnowWnd wnd;
    wnd.SetPixelRatio(100.0);   // an empty list only stores it
    EXPECT_EQ(wnd.GetPixelRatio(), 100.0);
    wnd.SetClient(CRect(0, 0, 420, 300));
    wnd.AddFlakes(4);
    const std::vector<Flake> before = wnd.GetFlakes();
    wnd.SetPixelRatio(70.0);
    for (std::size_t i = 0; i < before.size(); ++i)
    {
        EXPECT_EQ(wnd.GetFlakes()[i].radius, 420.0 / 70.0 / before[i].depth);
        EXPECT_EQ(wnd.GetFlakes()[i].x, before[i].x);
        EXPECT_EQ(wnd.GetFlakes()[i].vy, before[i].vy);
    }
}

TEST_F(SnowWndTest, LoadsTheProfileAndTicksOnTimerOne)
{
    WriteProfile("Period=25\nCount=7\nFlutter=3\n");
    CSnowWnd* pWnd = CreateFullScreen();
    EXPECT_EQ(pWnd->GetPeriod(), 25u);
    EXPECT_EQ(pWnd->GetCount(), 7u);
    EXPECT_EQ(pWnd->GetFlutter(), 3.0);
    const Headless::WindowInfo info = Headless::GetWindowInfo(pWnd->GetSafeHwnd());
    EXPECT_EQ(info.nClassStyle, CS_HREDRAW | CS_VREDRAW);
    EXPECT_EQ(info.nIDCursor, static_cast<UINT>(IDC_BLANK));
    EXPECT_EQ(info.dwExStyle, WS_EX_TOPMOST);
    EXPECT_EQ(info.nTimers, 1);
    EXPECT_EQ(info.nTimerPeriod, 25u);

    Headless::PumpMessages();   // the first paint comes before any tick: black, no flakes
    EXPECT_TRUE(pWnd->GetFlakes().empty());
    EXPECT_TRUE(TestSupport::WhitePixels(*Headless::FrameBufferOf(pWnd->GetSafeHwnd())).empty());

    ASSERT_TRUE(Headless::NextTick());
    EXPECT_EQ(Headless::Now(), 25u);
    EXPECT_EQ(pWnd->GetFlakes().size(), 7u);
    pWnd->DestroyWindow();
}

TEST_F(SnowWndTest, ACountSetBeforeTheFirstTickIsTheCountThatTickCreatesAgainstTheRealSize)
{
    struct Case
    {
        int nSet;
        std::size_t nCreated;
    };
    for (const Case c : {Case{4, 4}, Case{9, 9}, Case{0, 0}, Case{-2000000000, 0}})
    {
        SCOPED_TRACE(c.nSet);
        WriteProfile("Count=6\n");
        CSnowWnd* pWnd = CreateFullScreen(200, 100);
        pWnd->SetFlakeCount(c.nSet);   // no client rectangle is known yet
        EXPECT_TRUE(pWnd->GetFlakes().empty());
        Headless::MoveWindow(pWnd->GetSafeHwnd(), CRect(0, 0, 420, 100));
        ASSERT_TRUE(Headless::NextTick());
        const std::vector<Flake>& flakes = pWnd->GetFlakes();
        ASSERT_EQ(flakes.size(), c.nCreated);
        for (const Flake& f : flakes)
            EXPECT_EQ(f.radius, 420.0 / 210.0 / f.depth);
        pWnd->DestroyWindow();
    }
}

TEST_F(SnowWndTest, OtherTimerIdsChangeNothing)
{
    CSnowWnd* pWnd = CreateFullScreen();
    ASSERT_TRUE(Headless::NextTick());
    const std::vector<Flake> flakes = pWnd->GetFlakes();
    const std::vector<std::uint32_t> pixels = Pixels(pWnd);
    for (const UINT nIDEvent : {0u, 2u, 0x10001u})
    {
        SCOPED_TRACE(nIDEvent);
        Headless::Send(pWnd->GetSafeHwnd(), WM_TIMER, nIDEvent);
        EXPECT_TRUE(SameFlakes(pWnd->GetFlakes(), flakes));
        EXPECT_EQ(Pixels(pWnd), pixels);
        ASSERT_FALSE(Headless::DefaultCalls().empty());
        EXPECT_EQ(Headless::DefaultCalls().back().message, static_cast<UINT>(WM_TIMER));
        EXPECT_EQ(Headless::DefaultCalls().back().wParam, nIDEvent);
    }
    pWnd->DestroyWindow();
}

TEST_F(SnowWndTest, SetPeriodRestartsTheTimer)
{
    CSnowWnd* pWnd = CreateFullScreen();
    Headless::Advance(30);
    pWnd->SetPeriod(100);
    EXPECT_EQ(Headless::GetWindowInfo(pWnd->GetSafeHwnd()).nTimerPeriod, 100u);
    ASSERT_TRUE(Headless::NextTick());
    EXPECT_EQ(Headless::Now(), 130u);
    pWnd->SetPeriod(1);   // the system ticks no faster than every 10 ms
    EXPECT_EQ(pWnd->GetPeriod(), 1u);
    ASSERT_TRUE(Headless::NextTick());
    EXPECT_EQ(Headless::Now(), 140u);
    pWnd->DestroyWindow();
}

TEST_F(SnowWndTest, PaintingRedrawsWithoutMoving)
{
    CSnowWnd* pWnd = CreateFullScreen();
    for (int i = 0; i < 40; ++i)
        Headless::NextTick();
    const std::vector<Flake> flakes = pWnd->GetFlakes();
    pWnd->Invalidate();
    Headless::PumpMessages();
    EXPECT_TRUE(SameFlakes(pWnd->GetFlakes(), flakes));
    EXPECT_FALSE(TestSupport::WhitePixels(*Headless::FrameBufferOf(pWnd->GetSafeHwnd())).empty());
    pWnd->DestroyWindow();
}

TEST_F(SnowWndTest, TicksPresentOnlyWhatChanged)
{
    // Each flake's old and new place, merged where they touch and little black comes along: 5,260
    // of 921,600 pixels. A flake across tile rows is one rectangle; two that would waste too much stay two.
    WriteProfile("Count=12\n");
    CSnowWnd* pWnd = CreateFullScreen(1280, 720);
    for (int i = 0; i < 60; ++i)
        Headless::NextTick();
    const std::vector<CRect> expected = {{1069, 75, 1085, 104},  {1175, 95, 1188, 119},  {189, 141, 210, 169},
                                         {1207, 144, 1223, 160}, {1210, 160, 1226, 176}, {809, 322, 825, 348},
                                         {451, 364, 469, 391},   {534, 420, 546, 442},   {432, 464, 454, 507},
                                         {512, 543, 532, 560},   {512, 560, 538, 582},   {706, 614, 718, 624},
                                         {702, 624, 718, 639}};
    EXPECT_EQ(Headless::LastPresentedRects(pWnd->GetSafeHwnd()), expected);
    pWnd->DestroyWindow();
}

TEST_F(SnowWndTest, TheSameSeedGivesTheSameSnow)
{
    std::vector<std::uint32_t> first;
    for (int run = 0; run < 2; ++run)
    {
        Headless::SetClock(777, 0);
        CSnowWnd* pWnd = CreateFullScreen();
        for (int i = 0; i < 30; ++i)
            Headless::NextTick();
        if (run == 0)
            first = Pixels(pWnd);
        else
            EXPECT_EQ(Pixels(pWnd), first);
        pWnd->DestroyWindow();
    }
}

TEST_F(SnowWndTest, MatchesTheGoldenFrame)
{
    // Regenerate with KELVANE_UPDATE_GOLDEN=1 after a deliberate change to the picture.
    const std::string golden = std::string(KELVANE_GOLDEN_DIR) + "/snow-320x200-seed1000-tick80.png";
    WriteProfile("Count=300\n");
    CSnowWnd* pWnd = CreateFullScreen();
    for (int i = 0; i < 80; ++i)
        Headless::NextTick();
    const std::vector<std::uint32_t> pixels = Pixels(pWnd);
    if (std::getenv("KELVANE_UPDATE_GOLDEN") != nullptr)
    {
        std::string error;
        ASSERT_TRUE(WritePng(golden, pixels.data(), 320, 200, &error)) << error;
    }
    int cx = 0, cy = 0;
    std::vector<std::uint32_t> expected;
    ASSERT_TRUE(ReadPng(golden, cx, cy, expected)) << golden;
    ASSERT_EQ(cx, 320);
    ASSERT_EQ(cy, 200);
    EXPECT_TRUE(pixels == expected) << "the frame differs from " << golden;
    pWnd->DestroyWindow();
}

TEST_F(SnowWndTest, APreviewChildEndsTheLoopWhenItsHostGoes)
{
    const WindowHandle hHost = Headless::CreateHostWindow(CRect(100, 100, 252, 214));
    CWnd* pHost = CWnd::FromHandle(hHost);
    ASSERT_NE(pHost, nullptr);
    CRect rc;
    pHost->GetClientRect(&rc);
    EXPECT_EQ(rc, CRect(0, 0, 152, 114));
    auto* pWnd = new CSnowWnd(true);
    ASSERT_TRUE(pWnd->Create(0, WS_CHILD | WS_VISIBLE, rc, pHost));
    m_app.m_pMainWnd = pWnd;
    Headless::Advance(200);
    EXPECT_FALSE(Headless::QuitPosted());

    Headless::DestroyWindow(hHost);   // deletes the snow window, which deletes itself
    EXPECT_TRUE(Headless::QuitPosted());
    EXPECT_EQ(m_app.m_pMainWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandle(hHost), nullptr);
    EXPECT_EQ(CWnd::FromHandle(0), nullptr);
}

TEST_F(SnowWndTest, AHostileProfileRunsBoundedAndDefined)
{
    // Absurd values a hand-edited profile may hold: bounded memory, no crash, no undefined behaviour.
    const char* profiles[] = {
        "Count=4000000000\nPeriod=0\n",
        "Count=300\nPixelRatio=1e-300\nGravitation=1e308\nFlutter=1e308\nDeltaTime=-1\nResistance=-5\n",
        "Count=300\nPixelRatio=-210\nResistance=1e-320\nDeltaTime=1e308\n",
        "Count=300\nPixelRatio=nan\nResistance=0\nGravitation=inf\nFlutter=letters\n",
    };
    for (const char* profile : profiles)
    {
        SCOPED_TRACE(profile);
        WriteProfile(profile);
        CSnowWnd* pWnd = CreateFullScreen(64, 48);
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(Headless::NextTick());
        EXPECT_LE(pWnd->GetFlakes().size(), CSnowWnd::kMaxFlakes);
        pWnd->DestroyWindow();
    }
}

TEST_F(SnowWndTest, GiantFlakesDrawnLastToFirstLeaveTheForwardPixels)
{
    // Profiles whose flakes add up to many screens a frame, which ticks draw last to first: every
    // frame shows what drawing the same flakes first to last with the same random values shows.
    const char* profiles[] = {
        "Count=3000\nPixelRatio=1\n",
        "Count=3000\nPixelRatio=20\n",
        "Count=500\nPixelRatio=0.001\n",
        "Count=2000\nPixelRatio=60\nFlutter=5000\n",
    };
    for (const char* profile : profiles)
    {
        SCOPED_TRACE(profile);
        WriteProfile(profile);
        auto* pWnd = new ChoicesSnowWnd;
        ASSERT_TRUE(pWnd->Create(WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE, CRect(0, 0, 96, 64), nullptr));
        for (int nTick = 0; nTick < 4; ++nTick)
        {
            SCOPED_TRACE(nTick);
            ASSERT_TRUE(Headless::NextTick());
            CFrameBuffer expected;
            expected.Resize(96, 64);
            CDC dc(expected);
            const std::vector<Flake>& flakes = pWnd->GetFlakes();
            ASSERT_EQ(pWnd->GetDrawChoices().size(), flakes.size());
            for (std::size_t i = 0; i < flakes.size(); ++i)
                flakes[i].Draw(dc, pWnd->GetDrawChoices()[i]);
            std::vector<std::uint32_t> expectedPixels;
            expected.ExpandTo(expectedPixels);
            ASSERT_EQ(Pixels(pWnd), expectedPixels);
        }
        pWnd->DestroyWindow();
    }
}

TEST_F(SnowWndTest, TheDisplayOffStopsTheSnowAndItsDrawingItsReturnResumesAtOnce)
{
    // The saver, and a preview inside another program's window: both stand on the screen.
    const WindowHandle hHost = Headless::CreateHostWindow(CRect(0, 0, 160, 100));
    auto* pPreview = new CSnowWnd(true);
    ASSERT_TRUE(pPreview->Create(0, WS_CHILD | WS_VISIBLE, CRect(0, 0, 160, 100), CWnd::FromHandle(hHost)));
    for (CSnowWnd* pWnd : {CreateFullScreen(), pPreview})
    {
        SCOPED_TRACE(pWnd == pPreview ? "preview" : "full screen");
        const WindowHandle hWnd = pWnd->GetSafeHwnd();
        Headless::Advance(400);
        Headless::SetDisplayPower(false);
        const std::vector<Flake> flakes = pWnd->GetFlakes();
        pWnd->SetPeriod(50);   // the settings may change meanwhile: the timer still waits
        EXPECT_EQ(Headless::GetWindowInfo(hWnd).nTimers, 0);
        Headless::MoveWindow(hWnd, CRect(0, 0, 200, 120));   // a paint, over a frame made black by the new size
        Headless::Advance(1000);
        EXPECT_TRUE(SameFlakes(pWnd->GetFlakes(), flakes));
        EXPECT_TRUE(TestSupport::WhitePixels(*Headless::FrameBufferOf(hWnd)).empty());

        Headless::SetDisplayPower(true);
        Headless::PumpMessages();   // the whole window is painted again before any tick
        EXPECT_TRUE(SameFlakes(pWnd->GetFlakes(), flakes));
        EXPECT_FALSE(TestSupport::WhitePixels(*Headless::FrameBufferOf(hWnd)).empty());
        Headless::Advance(20);
        Headless::SetDisplayPower(true);   // no news: the rhythm stays
        Headless::Advance(29);
        EXPECT_TRUE(SameFlakes(pWnd->GetFlakes(), flakes));
        Headless::Advance(1);   // the new period's first tick
        EXPECT_FALSE(SameFlakes(pWnd->GetFlakes(), flakes));
        pWnd->DestroyWindow();
    }
}
