#pragma once
// Windows. A CWnd is the program's object for one window; its handlers are virtual member
// functions, which is how this codebase writes a message map. The back end owns the native
// window (CWndImpl), calls the handlers as messages arrive, and carries out the default handling
// of the message being handled when a handler asks for it with Default().

#include "platform/Types.h"
#include "platform/WinDefs.h"

#include <cstdint>
#include <string>

struct CWndImpl;    // the back end's side of a window
struct CMenuImpl;   // the back end's side of a menu

// A window handle as the command line passes it. It names any window of the platform, ours or
// another program's.
using WindowHandle = std::uintptr_t;

class CMenu
{
public:
    explicit CMenu(CMenuImpl* pImpl) : m_pImpl(pImpl) {}
    bool AppendMenu(UINT nFlags, UINT nIDNewItem = 0, const char* lpszNewItem = nullptr);

private:
    CMenuImpl* m_pImpl;
};

class CWnd
{
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // Creates the window at rect (the parent's client coordinates, or the screen's for a window
    // without a parent). OnCreate runs before this returns; false when the window could not be made,
    // and then PostNcDestroy has run, as after any window's end, so an auto-deleting object is gone.
    // Calling it on an object that already has a window does nothing and returns false.
    bool CreateEx(UINT dwExStyle, const char* lpszClassName, const char* lpszWindowName, UINT dwStyle,
                  const CRect& rect, CWnd* pParentWnd, UINT nID);
    // Destroys the window and its children: OnDestroy, then the children, then PostNcDestroy.
    virtual bool DestroyWindow();
    bool IsWindow() const { return m_pImpl != nullptr; }

    // The window a handle names, ours or another program's; nullptr when no live window has it.
    // Objects for windows of other programs belong to the back end.
    static CWnd* FromHandle(WindowHandle hWnd);
    WindowHandle GetSafeHwnd() const;

    void GetClientRect(CRect* lpRect) const;   // always starts at 0,0
    void GetWindowRect(CRect* lpRect) const;   // screen coordinates
    void ScreenToClient(CRect* lpRect) const;
    CWnd* GetParent() const;
    bool IsIconic() const;
    void CenterWindow();

    // A posted message runs after the current handler has returned; a sent one runs at once.
    bool PostMessage(UINT message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    std::intptr_t SendMessage(UINT message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

    // One timer id per purpose. Ticks arrive through the queue as OnTimer and never overlap; as on
    // Win32, periods below 10 ms tick every 10 ms. Setting an id that runs restarts it.
    UINT SetTimer(UINT nIDEvent, UINT nElapse);
    bool KillTimer(UINT nIDEvent);

    // Asks for an OnPaint of the whole client area.
    void Invalidate();

    // Controls
    // Makes this object the one that answers for the control nID of pParent (a dialog's edit).
    bool SubclassDlgItem(UINT nID, CWnd* pParent);
    int GetDlgCtrlID() const;
    void SetWindowText(const std::string& text);
    std::string GetWindowText() const;
    CWnd* SetFocus();   // returns the window that had the focus
    static CWnd* GetFocus();
    CMenu* GetSystemMenu(bool bRevert);

protected:
    // Handlers. Each default runs the platform's own handling of the message (Default()).
    virtual int OnCreate();   // -1 refuses the creation
    virtual void OnDestroy();
    virtual void OnClose();   // the default destroys the window
    virtual void OnTimer(UINT nIDEvent);
    virtual void OnPaint();
    virtual void OnSysCommand(UINT nID);
    virtual bool OnSetCursor();                // true: handled, the cursor is set
    virtual bool OnNcActivate(bool bActive);   // false while !bActive refuses to look inactive
    virtual void OnActivate(UINT nState);
    virtual void OnActivateApp(bool bActive);
    virtual void OnMouseMove(UINT nFlags, CPoint point);
    virtual void OnLButtonDown(UINT nFlags, CPoint point);
    virtual void OnMButtonDown(UINT nFlags, CPoint point);
    virtual void OnRButtonDown(UINT nFlags, CPoint point);
    virtual void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    virtual void OnSysKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    virtual IconHandle OnQueryDragIcon();   // the picture dragged for a minimised window
    // Top-level windows hear that a monitor came, went, or changed its size or place.
    virtual void OnDisplayChange();
    // The program's windows on the screen, top-level or inside another program's window, hear that
    // the display was powered down (false) or came back (true).
    virtual void OnDisplayPower(bool bOn);
    // WM_COMMAND and WM_NOTIFY from the window's controls; false: not handled, the default runs.
    virtual bool OnCommand(std::uintptr_t wParam, std::intptr_t lParam);
    virtual bool OnNotify(std::uintptr_t wParam, std::intptr_t lParam, std::intptr_t* pResult);

    // The platform's own handling of the message being handled.
    std::intptr_t Default();

    // The last call on a window object, after its window is gone.
    virtual void PostNcDestroy() {}

    // Runs when the window is gone: ends the message loop if this was the application's main
    // window, forgets the native window, then PostNcDestroy. The back end calls it last.
    void OnNcDestroy();

private:
    friend struct CWndImpl;
    friend struct CWndRouting;   // calls the handlers, for every back end
    CWndImpl* m_pImpl = nullptr;
};
