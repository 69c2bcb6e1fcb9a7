// The window record the headless and Qt back ends share: the order a window ends in, hosts,
// focus, controls changing hands, classes, the system menu and the timer's limits, on a fake back end
// that logs what the shared code asks of it.

#include "platform/common/WndRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{
struct FakeWnd;
struct World;

// The program's object for a window; it hears its last call through the fake back end.
struct FakeObject : CWnd
{
    World* pWorld = nullptr;
    std::string name;
    FakeWnd* pImpl = nullptr;
};

struct FakeWnd : CWndRecord<FakeWnd>
{
    World* pWorld = nullptr;
    std::string name;
    std::function<void()> onDestroy;

    std::intptr_t Dispatch(UINT message, std::uintptr_t wParam, std::intptr_t lParam);
    void NativeTeardown();

    static void CallOnNcDestroy(CWnd* p);
    static FakeWnd* Of(const CWnd* p) { return p != nullptr ? static_cast<const FakeObject*>(p)->pImpl : nullptr; }
    static void Attach(CWnd* p, FakeWnd* pImpl) { static_cast<FakeObject*>(p)->pImpl = pImpl; }
};

struct World
{
    std::vector<std::string> log;
    CWndTable<FakeWnd> table;
    std::vector<std::unique_ptr<FakeObject>> objects;
    WindowHandle hNext = 0x100;

    FakeObject* NewObject(const std::string& name)
    {
        objects.push_back(std::make_unique<FakeObject>());
        objects.back()->pWorld = this;
        objects.back()->name = name;
        return objects.back().get();
    }

    // A window of ours answered for by a program's object, or a host with an object of the system's.
    FakeWnd* Add(const std::string& name, FakeWnd* pParent = nullptr, bool bHost = false)
    {
        auto pImpl = std::make_unique<FakeWnd>();
        pImpl->pWorld = this;
        pImpl->name = name;
        pImpl->hWnd = hNext++;
        pImpl->bHost = bHost;
        pImpl->pParent = pParent;
        if (bHost)
        {
            pImpl->pOwnObject = std::make_unique<FakeObject>();
            static_cast<FakeObject*>(pImpl->pOwnObject.get())->pWorld = this;
            pImpl->pWnd = pImpl->pOwnObject.get();
        }
        else
            pImpl->pWnd = NewObject(name);
        FakeWnd::Attach(pImpl->pWnd, pImpl.get());
        if (pParent != nullptr)
            pParent->children.push_back(pImpl.get());
        return table.windows.emplace(pImpl->hWnd, std::move(pImpl)).first->second.get();
    }

    // A dialog's control: the system made its object.
    FakeWnd* AddControl(const std::string& name, FakeWnd* pDialog, int nID)
    {
        FakeWnd* pImpl = Add(name, pDialog);
        pImpl->nID = nID;
        pImpl->pOwnObject = std::make_unique<FakeObject>();
        FakeWnd::Attach(pImpl->pWnd, nullptr);
        pImpl->pWnd = pImpl->pOwnObject.get();
        FakeWnd::Attach(pImpl->pWnd, pImpl);
        return pImpl;
    }
};

std::intptr_t FakeWnd::Dispatch(UINT message, std::uintptr_t, std::intptr_t)
{
    if (message == WM_DESTROY)
    {
        pWorld->log.push_back(name + " destroy");
        if (onDestroy)
            onDestroy();
    }
    return 0;
}

void FakeWnd::NativeTeardown()
{
    // By now the window has left its parent and the table.
    const bool bInParent = pParent != nullptr && std::find(pParent->children.begin(), pParent->children.end(), this) !=
                                                     pParent->children.end();
    const bool bInTable = pWorld->table.Find(hWnd) != nullptr;
    pWorld->log.push_back(name + " teardown" + (bInParent ? " still a child" : "") + (bInTable ? " still listed" : ""));
}

void FakeWnd::CallOnNcDestroy(CWnd* p)
{
    auto* pObject = static_cast<FakeObject*>(p);
    pObject->pImpl = nullptr;
    pObject->pWorld->log.push_back(pObject->name + " last");
}

using Log = std::vector<std::string>;
}   // namespace

TEST(WndRecord, AWindowEndsBeforeItsChildrenAndHearsLast)
{
    World w;
    FakeWnd* pTop = w.Add("top");
    FakeWnd* pLeft = w.Add("left", pTop);
    w.Add("leaf", pLeft);
    w.Add("right", pTop);
    w.Add("other");

    w.table.Destroy(pTop);

    EXPECT_EQ(w.log, (Log{"top destroy", "left destroy", "leaf destroy", "leaf teardown", "leaf last", "left teardown",
                          "left last", "right destroy", "right teardown", "right last", "top teardown", "top last"}));
    ASSERT_EQ(w.table.windows.size(), 1u);
    EXPECT_EQ(w.table.windows.begin()->second->name, "other");
}

TEST(WndRecord, AWindowEndsOnceWhateverItsHandlersDoMeanwhile)
{
    World w;
    FakeWnd* pTop = w.Add("top");
    FakeWnd* pChild = w.Add("child", pTop);
    // The top's handler ends the child itself, then asks again for its own end.
    pTop->onDestroy = [&w, pTop, pChild]() {
        w.table.Destroy(pChild);
        w.table.Destroy(pTop);
    };
    pChild->onDestroy = [&w, pChild]() { w.table.Destroy(pChild); };

    w.table.Destroy(pTop);

    EXPECT_EQ(w.log, (Log{"top destroy", "child destroy", "child teardown", "child last", "top teardown", "top last"}));
    EXPECT_TRUE(w.table.windows.empty());
}

TEST(WndRecord, AHostOnlyLeavesAndItsObjectStaysWithoutAWindow)
{
    World w;
    FakeWnd* pHost = w.Add("host", nullptr, true);
    w.Add("preview", pHost);
    CWnd* pHostObject = pHost->pWnd;

    w.table.Destroy(pHost);

    EXPECT_EQ(w.log, (Log{"preview destroy", "preview teardown", "preview last", "host teardown"}));
    ASSERT_EQ(w.table.goneHostObjects.size(), 1u);
    EXPECT_EQ(w.table.goneHostObjects.front().get(), pHostObject);
    EXPECT_EQ(FakeWnd::Of(pHostObject), nullptr);
    EXPECT_TRUE(w.table.windows.empty());
}

TEST(WndRecord, TheFocusLeavesOnlyAWindowThatEnds)
{
    struct Case
    {
        const char* name;
        bool bFocusInside;
    };
    for (const Case& c : {Case{"focus in the child that ends", true}, Case{"focus elsewhere", false}})
    {
        SCOPED_TRACE(c.name);
        World w;
        FakeWnd* pTop = w.Add("top");
        FakeWnd* pChild = w.Add("child", pTop);
        FakeWnd* pOther = w.Add("other");
        w.table.hFocus = c.bFocusInside ? pChild->hWnd : pOther->hWnd;
        const WindowHandle hOther = pOther->hWnd;

        w.table.Destroy(pTop);

        EXPECT_EQ(w.table.hFocus, c.bFocusInside ? WindowHandle{0} : hOther);
    }
}

TEST(WndRecord, EveryWindowLeftEndsTreeByTree)
{
    World w;
    FakeWnd* pFirst = w.Add("first");
    w.Add("second");
    w.Add("child", pFirst);
    FakeWnd* pHost = w.Add("host", nullptr, true);
    w.Add("preview", pHost);

    w.table.DestroyAll();

    EXPECT_TRUE(w.table.windows.empty());
    for (const char* name : {"first", "second", "child", "preview"})
    {
        SCOPED_TRACE(name);
        EXPECT_EQ(std::count(w.log.begin(), w.log.end(), std::string(name) + " last"), 1);
    }
    // A child ends before its parent hears its last call.
    EXPECT_LT(std::find(w.log.begin(), w.log.end(), "child last"), std::find(w.log.begin(), w.log.end(), "first last"));
}

TEST(WndRecord, OnlyAControlWhoseObjectTheSystemMadeChangesHands)
{
    struct Case
    {
        const char* name;
        UINT nID;
        bool bBound;   // the program's object already answers for a window
        bool bExpected;
    };
    for (const Case& c :
         {Case{"the system's control", 1001, false, true}, Case{"no control with that id", 1099, false, false},
          Case{"the program's own window", 1002, false, false},
          Case{"an object that has a window already", 1001, true, false}})
    {
        SCOPED_TRACE(c.name);
        World w;
        FakeWnd* pDialog = w.Add("dialog");
        FakeWnd* pEdit = w.AddControl("edit", pDialog, 1001);
        FakeWnd* pOwn = w.Add("own", pDialog);
        pOwn->nID = 1002;
        CWnd* pOwnObject = pOwn->pWnd;
        FakeObject* pObject = c.bBound ? static_cast<FakeObject*>(w.Add("bound")->pWnd) : w.NewObject("program's edit");
        FakeWnd* pHadWindow = pObject->pImpl;

        EXPECT_EQ(w.table.Subclass(pDialog, c.nID, pObject), c.bExpected);

        if (c.bExpected)
        {
            EXPECT_EQ(pEdit->pWnd, pObject);
            EXPECT_EQ(FakeWnd::Of(pObject), pEdit);
            EXPECT_FALSE(pEdit->pOwnObject);
        }
        else
        {
            EXPECT_EQ(FakeWnd::Of(pObject), pHadWindow);
            EXPECT_TRUE(pEdit->pOwnObject);
            EXPECT_EQ(pEdit->pWnd, pEdit->pOwnObject.get());
        }
        EXPECT_EQ(pOwn->pWnd, pOwnObject);
    }
}

TEST(WndRecord, ClassesAreOnePerSetOfValuesAndGiveTheirWindowsStylesAndCursor)
{
    World w;
    const char* pszSnow = w.table.RegisterClass(CS_HREDRAW | CS_VREDRAW, 129);
    EXPECT_EQ(w.table.RegisterClass(CS_HREDRAW | CS_VREDRAW, 129), pszSnow);
    EXPECT_NE(w.table.RegisterClass(CS_HREDRAW | CS_VREDRAW, 0), pszSnow);

    FakeWnd* pSnow = w.Add("snow");
    w.table.ApplyClass(pSnow, pszSnow);
    EXPECT_EQ(pSnow->nClassStyle, CS_HREDRAW | CS_VREDRAW);
    EXPECT_EQ(pSnow->nIDCursor, 129u);

    FakeWnd* pEdit = w.Add("edit");
    w.table.ApplyClass(pEdit, "EDIT");
    EXPECT_EQ(pEdit->className, "EDIT");
    EXPECT_EQ(pEdit->nClassStyle, 0u);
    EXPECT_EQ(pEdit->nIDCursor, 0u);
}

TEST(WndRecord, TheSystemMenuKeepsItsItemsUntilReverted)
{
    World w;
    FakeWnd* pDialog = w.Add("dialog");
    CMenu* pMenu = pDialog->SystemMenu(false);
    ASSERT_NE(pMenu, nullptr);
    EXPECT_EQ(pDialog->SystemMenu(false), pMenu);
    pDialog->systemMenu.Append(MF_SEPARATOR, 0, nullptr);
    pDialog->systemMenu.Append(MF_STRING, 0x10, "About Kelvane...");
    ASSERT_EQ(pDialog->systemMenu.items.size(), 2u);
    EXPECT_EQ(pDialog->systemMenu.items[0].text, "");
    EXPECT_EQ(pDialog->systemMenu.items[1].nID, 0x10u);
    EXPECT_EQ(pDialog->systemMenu.items[1].text, "About Kelvane...");

    EXPECT_EQ(pDialog->SystemMenu(true), nullptr);
    EXPECT_TRUE(pDialog->systemMenu.items.empty());
}

TEST(WndRecord, TimerPeriodsKeepWin32sLimits)
{
    struct Case
    {
        UINT nElapse;
        UINT nPeriod;
    };
    for (const Case& c :
         {Case{0, 10}, Case{1, 10}, Case{9, 10}, Case{10, 10}, Case{11, 11}, Case{0x7FFFFFFE, 0x7FFFFFFE},
          Case{0x7FFFFFFF, 0x7FFFFFFF}, Case{0x80000000u, 0x7FFFFFFF}, Case{0xFFFFFFFFu, 0x7FFFFFFF}})
    {
        SCOPED_TRACE(c.nElapse);
        EXPECT_EQ(AfxTimerPeriod(c.nElapse), c.nPeriod);
    }
}
