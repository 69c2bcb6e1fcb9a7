// The Qt back end's windows on a real X display (the test runs under its own Xvfb): the window
// text, rectangles, centring, parent, focus, control ids and the system menu the contract promises,
// and the pixels the server shows after each frame.

#include "platform/Dc.h"
#include "platform/WinApp.h"
#include "platform/Wnd.h"
#include "platform/qt/QtImpl.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>

namespace
{
class QtBackEndTest : public ::testing::Test
{
protected:
    // A frameless top-level window at rc, or a child of pParent at rc in its client area.
    static bool Make(CWnd& wnd, const CRect& rc, CWnd* pParent = nullptr, UINT nID = 0, const char* pszText = "")
    {
        const UINT dwStyle = (pParent != nullptr ? WS_CHILD : WS_POPUP) | WS_VISIBLE;
        return wnd.CreateEx(0, AfxRegisterWndClass(0, 0), pszText, dwStyle, rc, pParent, nID);
    }

    static QWindow* NativeOf(const CWnd& wnd)
    {
        for (QWindow* pWindow : QGuiApplication::allWindows())
            if (static_cast<WindowHandle>(pWindow->winId()) == wnd.GetSafeHwnd())
                return pWindow;
        return nullptr;
    }
};
}   // namespace

TEST_F(QtBackEndTest, WindowTextIsKeptAndATopLevelWindowShowsItAsItsTitle)
{
    CWnd top;
    ASSERT_TRUE(Make(top, CRect(0, 0, 200, 100), nullptr, 0, "Kelvane"));
    CWnd child;
    ASSERT_TRUE(Make(child, CRect(0, 0, 50, 20), &top, 1001, "12"));
    EXPECT_EQ(top.GetWindowText(), "Kelvane");
    EXPECT_EQ(child.GetWindowText(), "12");

    top.SetWindowText("雪の設定");
    child.SetWindowText("");
    EXPECT_EQ(top.GetWindowText(), "雪の設定");
    EXPECT_EQ(child.GetWindowText(), "");
    ASSERT_NE(NativeOf(top), nullptr);
    EXPECT_EQ(NativeOf(top)->title().toStdString(), "雪の設定");
}

TEST_F(QtBackEndTest, WindowRectanglesAreOnTheScreenAndScreenToClientUndoesThem)
{
    CWnd top;
    ASSERT_TRUE(Make(top, CRect(100, 50, 420, 250)));
    CWnd child;
    ASSERT_TRUE(Make(child, CRect(10, 20, 110, 70), &top));

    struct Case
    {
        const char* name;
        CWnd* pWnd;
        CRect rcScreen;
    };
    for (const Case& c :
         {Case{"top-level", &top, CRect(100, 50, 420, 250)}, Case{"child", &child, CRect(110, 70, 210, 120)}})
    {
        SCOPED_TRACE(c.name);
        CRect rc;
        c.pWnd->GetWindowRect(&rc);
        EXPECT_EQ(rc, c.rcScreen);
        c.pWnd->ScreenToClient(&rc);
        CRect rcClient;
        c.pWnd->GetClientRect(&rcClient);
        EXPECT_EQ(rc, rcClient);
    }
}

TEST_F(QtBackEndTest, AWindowCentresOverItsParentOrTheFreePartOfTheScreen)
{
    CWnd top;
    ASSERT_TRUE(Make(top, CRect(0, 0, 320, 200)));
    CWnd child;
    ASSERT_TRUE(Make(child, CRect(0, 0, 100, 50), &top));

    child.CenterWindow();
    CRect rc;
    child.GetWindowRect(&rc);
    EXPECT_EQ(rc, CRect(110, 75, 210, 125));

    top.CenterWindow();
    const QRect rcFree = QGuiApplication::primaryScreen()->availableGeometry();
    const int x = rcFree.x() + (rcFree.width() - 320) / 2;
    const int y = rcFree.y() + (rcFree.height() - 200) / 2;
    top.GetWindowRect(&rc);
    EXPECT_EQ(rc, CRect(x, y, x + 320, y + 200));
    // The child moves with its parent.
    child.GetWindowRect(&rc);
    EXPECT_EQ(rc, CRect(x + 110, y + 75, x + 210, y + 125));
}

TEST_F(QtBackEndTest, ParentsIdsAndTheMinimisedState)
{
    CWnd top;
    ASSERT_TRUE(Make(top, CRect(0, 0, 200, 100)));
    CWnd child;
    ASSERT_TRUE(Make(child, CRect(0, 0, 50, 20), &top, 1001));

    EXPECT_EQ(child.GetParent(), &top);
    EXPECT_EQ(top.GetParent(), nullptr);
    EXPECT_EQ(child.GetDlgCtrlID(), 1001);
    EXPECT_EQ(top.GetDlgCtrlID(), 0);
    EXPECT_FALSE(top.IsIconic());

    // A window the program made answers for itself: no other object takes it over.
    CWnd other;
    EXPECT_FALSE(other.SubclassDlgItem(1001, &top));
    EXPECT_FALSE(other.IsWindow());
}

TEST_F(QtBackEndTest, TheFocusGoesWhereAskedAndLeavesAWindowThatEnds)
{
    CWnd first;
    ASSERT_TRUE(Make(first, CRect(0, 0, 200, 100)));
    {
        CWnd second;
        ASSERT_TRUE(Make(second, CRect(300, 0, 500, 100)));
        first.SetFocus();
        EXPECT_EQ(CWnd::GetFocus(), &first);
        EXPECT_EQ(second.SetFocus(), &first);
        EXPECT_EQ(CWnd::GetFocus(), &second);
        second.DestroyWindow();
        EXPECT_EQ(CWnd::GetFocus(), nullptr);
    }
}

TEST_F(QtBackEndTest, TheSystemMenuKeepsWhatIsAppendedUntilReverted)
{
    CWnd top;
    ASSERT_TRUE(Make(top, CRect(0, 0, 200, 100)));
    CMenu* pMenu = top.GetSystemMenu(false);
    ASSERT_NE(pMenu, nullptr);
    EXPECT_EQ(top.GetSystemMenu(false), pMenu);
    EXPECT_TRUE(pMenu->AppendMenu(MF_SEPARATOR));
    EXPECT_TRUE(pMenu->AppendMenu(MF_STRING, 0x10, "バージョン情報(&A)..."));

    CWndImpl* pImpl = QtState().Find(top.GetSafeHwnd());
    ASSERT_NE(pImpl, nullptr);
    ASSERT_EQ(pImpl->systemMenu.items.size(), 2u);
    EXPECT_EQ(pImpl->systemMenu.items[0].nFlags, MF_SEPARATOR);
    EXPECT_EQ(pImpl->systemMenu.items[1].nID, 0x10u);
    EXPECT_EQ(pImpl->systemMenu.items[1].text, "バージョン情報(&A)...");
    EXPECT_EQ(top.GetSystemMenu(true), nullptr);
    EXPECT_TRUE(pImpl->systemMenu.items.empty());
}

TEST_F(QtBackEndTest, EachFrameShowsOnTheServerExactlyAsDrawn)
{
    // Frames of figures that move, stay put, meet in the words they share, and reach the right
    // edge of a width that is not a whole number of words: what the server shows after each is
    // read back and compared with the framebuffer, pixel for pixel. Such frames go out as filled
    // rectangles; every tenth is a dense noise that changes most of the window, which goes out as
    // bitmaps (and so does the frame after it, which clears the noise), and some are paints, after
    // which the whole window goes out from black. The bitmaps go through shared memory in the
    // first half, and in the requests themselves (as to a server elsewhere) in the second.
    constexpr int kCx = 200;
    constexpr int kCy = 70;
    CWnd wnd;
    ASSERT_TRUE(Make(wnd, CRect(0, 0, kCx, kCy)));
    QWindow* pNative = NativeOf(wnd);
    ASSERT_NE(pNative, nullptr);
    for (int i = 0; i < 200 && !pNative->isExposed(); ++i)
    {
        QGuiApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(pNative->isExposed());
    QGuiApplication::processEvents();
    auto* pX11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    ASSERT_NE(pX11, nullptr);
    xcb_connection_t* c = pX11->connection();
    CWndImpl* pImpl = QtState().Find(wnd.GetSafeHwnd());
    ASSERT_NE(pImpl, nullptr);

    const ColorRef crWhite = RgbColor(255, 255, 255);
    std::mt19937 rng(5);
    auto coord = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto draw = [&](CDC& dc, int nFrame) {
        dc.FillSolidRect(CRect(0, 0, kCx, kCy), RgbColor(0, 0, 0));
        dc.Ellipse(10 + nFrame * 3, 5 + nFrame, 40 + nFrame * 3, 35 + nFrame);   // moves
        dc.Ellipse(150, 20, 176, 46);                                            // stays put
        dc.FillSolidRect(CRect(60, 50, 64, 60 + nFrame % 3), crWhite);          // these two share a word
        dc.FillSolidRect(CRect(64, 50 + nFrame % 2, 66, 58), crWhite);
        dc.Ellipse(kCx - 20 + nFrame % 4, 40, kCx + 10 + nFrame % 4, 70);         // over the right edge
        if (nFrame % 2 == 0)
            dc.SetPixelV(127 + nFrame % 12, 2, crWhite);
        for (int n = 0; n < 12; ++n)   // and a snow of random ones
        {
            const int x = coord(-10, kCx + 10);
            const int y = coord(-10, kCy + 10);
            const int d = coord(2, 20);
            if (n % 3 == 0)
                dc.FillSolidRect(CRect(x, y, x + d, y + coord(1, 20)), crWhite);
            else
                dc.Ellipse(x, y, x + d, y + d);
        }
        if (nFrame % 10 == 7)
            for (int y = 0; y < kCy; ++y)
                for (int x = (y + nFrame) % 3; x < kCx; x += 3)
                    dc.SetPixelV(x, y, crWhite);
    };
    ASSERT_NE(pImpl->pPresenter, nullptr);
    for (int nFrame = 0; nFrame < 40; ++nFrame)
    {
        SCOPED_TRACE(nFrame);
        const int nBitmapFrames = pImpl->pPresenter->BitmapFrames();
        if (nFrame == 20)
            pImpl->pPresenter->UseSharedMemory(false);
        if (nFrame % 10 == 4)
        {
            CPaintDC dc(&wnd);
            draw(dc, nFrame);
        }
        else
        {
            CClientDC dc(&wnd);
            draw(dc, nFrame);
        }
        const bool bBitmap = pImpl->pPresenter->BitmapFrames() > nBitmapFrames;
        EXPECT_EQ(bBitmap, nFrame % 10 == 7 || nFrame % 10 == 8);
        if (bBitmap)
        {
            EXPECT_EQ(pImpl->pPresenter->SharesMemory(), nFrame < 20);
        }
        const CFrameBuffer& frame = pImpl->frame;
        ASSERT_EQ(frame.Width(), kCx);
        xcb_get_image_reply_t* pReply =
            xcb_get_image_reply(c,
                                xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP,
                                              static_cast<xcb_window_t>(wnd.GetSafeHwnd()), 0, 0, kCx, kCy, ~0u),
                                nullptr);
        ASSERT_NE(pReply, nullptr);
        ASSERT_EQ(xcb_get_image_data_length(pReply), kCx * kCy * 4);
        const std::uint8_t* pData = xcb_get_image_data(pReply);
        int nWrong = 0;
        for (int y = 0; y < kCy; ++y)
            for (int x = 0; x < kCx; ++x)
            {
                std::uint32_t px;
                std::memcpy(&px, pData + (static_cast<std::size_t>(y) * kCx + x) * 4, 4);
                const bool bShownWhite = (px & 0xFFFFFFu) == 0xFFFFFFu;
                if (bShownWhite != frame.IsWhiteAt(x, y) && nWrong++ < 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << " shows " << std::hex << px;
            }
        std::free(pReply);
        ASSERT_EQ(nWrong, 0);
    }
    wnd.DestroyWindow();
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    CWinApp app("kelvane-qt-tests");
    const int nResult = RUN_ALL_TESTS();
    QtShutdown();
    return nResult;
}
