#pragma once
// The record of a window for back ends that keep their own windows (headless, Qt): who answers
// for it, where it sits among its parent's children, its styles and class, the messages it is
// handling; and the table of those records with the one order in which a window ends. A back end's
// CWndImpl derives from CWndRecord<CWndImpl> and adds only what is native to it; its CWinAppImpl
// derives from CWndTable<CWndImpl>.

#include "platform/Types.h"
#include "platform/WinMessages.h"
#include "platform/Wnd.h"
#include "platform/common/WndMessage.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// A system menu kept as the items the program appended, for back ends that show none of their own.
struct CMenuImpl
{
    struct Item
    {
        UINT nFlags;
        UINT nID;
        std::string text;
    };
    std::vector<Item> items;

    bool Append(UINT nFlags, UINT nID, const char* lpszText)
    {
        items.push_back({nFlags, nID, lpszText != nullptr ? lpszText : ""});
        return true;
    }
};

template <class Impl>
struct CWndRecord
{
    using Message = CWndMessage;

    WindowHandle hWnd = 0;
    CWnd* pWnd = nullptr;               // the object that answers for the window
    std::unique_ptr<CWnd> pOwnObject;   // an object the system made: for a host, or a dialog's control
    bool bHost = false;                 // a window of another program
    bool bDestroying = false;
    Impl* pParent = nullptr;
    std::vector<Impl*> children;
    UINT dwStyle = 0;
    UINT dwExStyle = 0;
    UINT nClassStyle = 0;
    UINT nIDCursor = 0;
    std::string className;   // as created: a control's "EDIT", "BUTTON", "STATIC", "msctls_updown32"
    int nID = 0;
    std::string text;
    std::vector<Message> handling;   // the messages being handled, innermost last
    int nUpDownPos = 0;              // an arrow pair's position, which the dialog never reads
    CMenuImpl systemMenu;
    std::unique_ptr<CMenu> pSystemMenu;

    // The child with this control id (a dialog's control); nullptr when it has none.
    Impl* Child(int nIDChild) const
    {
        for (Impl* pChild : children)
            if (pChild->nID == nIDChild)
                return pChild;
        return nullptr;
    }

    // GetSystemMenu: the menu, made on first use; bRevert empties it and gives none.
    CMenu* SystemMenu(bool bRevert)
    {
        if (bRevert)
        {
            systemMenu.items.clear();
            return nullptr;
        }
        if (!pSystemMenu)
            pSystemMenu = std::make_unique<CMenu>(&systemMenu);
        return pSystemMenu.get();
    }
};

template <class Impl>
struct CWndTable
{
    struct WindowClass
    {
        UINT nClassStyle;
        UINT nIDCursor;
    };

    std::map<WindowHandle, std::unique_ptr<Impl>> windows;
    std::map<std::string, WindowClass> classes;
    std::vector<std::unique_ptr<CWnd>> goneHostObjects;   // objects of hosts that are gone, kept till the end
    WindowHandle hFocus = 0;

    Impl* Find(WindowHandle hWnd) const
    {
        const auto it = windows.find(hWnd);
        return it != windows.end() ? it->second.get() : nullptr;
    }

    // One class name per distinct set of values, as AfxRegisterWndClass hands them out.
    const char* RegisterClass(UINT nClassStyle, UINT nIDCursor)
    {
        const std::string name = "Kelvane:" + std::to_string(nClassStyle) + ":" + std::to_string(nIDCursor);
        return classes.try_emplace(name, WindowClass{nClassStyle, nIDCursor}).first->first.c_str();
    }

    // A new window takes its class's styles and cursor; a class never registered brings neither.
    void ApplyClass(Impl* pImpl, const char* lpszClassName) const
    {
        if (lpszClassName == nullptr)
            return;
        pImpl->className = lpszClassName;
        if (const auto it = classes.find(lpszClassName); it != classes.end())
        {
            pImpl->nClassStyle = it->second.nClassStyle;
            pImpl->nIDCursor = it->second.nIDCursor;
        }
    }

    // A window's end: WM_DESTROY, then its children's ends, then it leaves its parent, the focus
    // and the table; the back end lets go of what is native to it (Impl::NativeTeardown), and the
    // object hears OnNcDestroy last, when it may delete itself. A host only leaves: its object
    // outlives it, as a handle the program holds may still be passed on.
    void Destroy(Impl* pImpl)
    {
        if (pImpl->bDestroying)
            return;
        pImpl->bDestroying = true;
        if (!pImpl->bHost)
            pImpl->Dispatch(WM_DESTROY, 0, 0);
        for (Impl* pChild : std::vector<Impl*>(pImpl->children))
            Destroy(pChild);
        if (pImpl->pParent != nullptr)
            std::erase(pImpl->pParent->children, pImpl);
        if (hFocus == pImpl->hWnd)
            hFocus = 0;

        auto node = windows.extract(pImpl->hWnd);   // frees the record once the object has heard
        pImpl->NativeTeardown();
        if (pImpl->bHost)
        {
            if (pImpl->pOwnObject)
            {
                Impl::Attach(pImpl->pOwnObject.get(), nullptr);
                goneHostObjects.push_back(std::move(pImpl->pOwnObject));
            }
            return;
        }
        Impl::CallOnNcDestroy(pImpl->pWnd);
    }

    // Windows still alive go the way the system takes them when the process ends: each top-level
    // window with its children.
    void DestroyAll()
    {
        while (!windows.empty())
        {
            Impl* pTop = windows.begin()->second.get();
            while (pTop->pParent != nullptr)
                pTop = pTop->pParent;
            Destroy(pTop);
        }
    }

    // Makes pWnd the object that answers for the child nID of pParent, if the system made that
    // child's object (a dialog's control); a window the program made keeps its own object.
    bool Subclass(Impl* pParent, UINT nID, CWnd* pWnd)
    {
        if (pParent == nullptr || Impl::Of(pWnd) != nullptr)
            return false;
        for (Impl* pChild : pParent->children)
        {
            if (pChild->nID != static_cast<int>(nID) || !pChild->pOwnObject || pChild->pWnd != pChild->pOwnObject.get())
                continue;
            Impl::Attach(pChild->pOwnObject.get(), nullptr);
            pChild->pOwnObject.reset();
            pChild->pWnd = pWnd;
            Impl::Attach(pWnd, pChild);
            return true;
        }
        return false;
    }
};
