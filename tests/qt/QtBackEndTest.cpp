// The Qt back end's windows on a real X display (the test runs under its own Xvfb): the window
// text, rectangles, centring, parent, focus, control ids and the system menu the contract promises.

#include "platform/WinApp.h"
#include "platform/Wnd.h"
#include "platform/qt/QtImpl.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <string>

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
    for (const Case& c : {Case{"top-level", &top, CRect(100, 50, 420, 250)}, Case{"child", &child, CRect(110, 70, 210, 120)}})
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

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    CWinApp app("kelvane-qt-tests");
    const int nResult = RUN_ALL_TESTS();
    QtShutdown();
    return nResult;
}
