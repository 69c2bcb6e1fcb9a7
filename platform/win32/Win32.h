#pragma once
// The Windows back end's view of the system: <windows.h> first, then the contract. The system's
// A/W macros would rename the contract's members of the same names, so they go; the back end calls
// the W (or A) functions by their full names.

#include <windows.h>   // with NOMINMAX and WIN32_LEAN_AND_MEAN, from the build

#undef PostMessage
#undef SendMessage
#undef SetWindowText
#undef GetWindowText
#undef GetProfileInt
#undef GetProfileString
#undef WriteProfileString
#undef AppendMenu

#include "platform/FrameBuffer.h"
#include "platform/WinApp.h"
#include "platform/Wnd.h"
#include "platform/common/WndMessage.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace Win32
{
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

inline HWND ToHwnd(WindowHandle h)
{
    return reinterpret_cast<HWND>(h);
}
inline WindowHandle FromHwnd(HWND h)
{
    return reinterpret_cast<WindowHandle>(h);
}

LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// A message box has closed over the dialog hDlg: a button whose click opened it must not keep the mouse.
void ReleaseStaleCapture(HWND hDlg);
}   // namespace Win32

// A window's system menu, the system's own.
struct CMenuImpl
{
    HMENU hMenu = nullptr;
};

// The shared message record must hold Win32's message parameters unchanged.
static_assert(sizeof(WPARAM) == sizeof(std::uintptr_t) && sizeof(LPARAM) == sizeof(std::intptr_t));

struct CWndImpl
{
    using Message = CWndMessage;

    HWND hWnd = nullptr;
    CWnd* pWnd = nullptr;                // the object that answers for the window
    bool bForeign = false;               // a window of another program, or one we did not make
    HWND hHost = nullptr;                // the parent of a child inside another program's window (a preview's host)
    WNDPROC pfnSuper = nullptr;          // a subclassed control's own window procedure, its default handling
    int nDepth = 0;                      // handlers of this window running, one inside another
    bool bGone = false;                  // the window is destroyed; free once no handler runs
    bool* pGoneDuringCreate = nullptr;   // tells CreateEx that its window died while being made
    std::vector<Message> handling;       // the messages being handled, innermost last
    PAINTSTRUCT paint{};                 // while a CPaintDC is open
    CMenuImpl systemMenu;
    std::unique_ptr<CMenu> pSystemMenu;
    HPOWERNOTIFY hPowerNotify = nullptr;   // the display's power going down and coming back reaches the window

    CFrameBuffer frame;
    std::vector<CRect> changed;                  // kept between presents, so a steady frame allocates nothing
    mutable std::vector<std::uint8_t> dibRows;   // a rectangle's rows as a 1-bit DIB, also kept

    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    // The system's handling of a message: the control's own procedure for a subclassed control.
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) const;
    // Sizes the framebuffer to the client area.
    CFrameBuffer& Frame();
    // Puts the rectangles of the framebuffer onto the window.
    void Blit(HDC hdc, const std::vector<CRect>& rects) const;
    // Puts the changed rectangles onto the window: through hdcPaint while painting, else a context of its own.
    void Present(HDC hdcPaint);

    static void CallOnNcDestroy(CWnd* p) { p->OnNcDestroy(); }
    static CWndImpl* Of(const CWnd* p) { return p != nullptr ? p->m_pImpl : nullptr; }
    static void Attach(CWnd* p, CWndImpl* pImpl) { p->m_pImpl = pImpl; }
};

struct CWinAppImpl
{
    CWinApp* pApp = nullptr;
    HINSTANCE hInstance = nullptr;
    std::map<HWND, CWndImpl*> windows;               // ours, alive
    std::map<HWND, std::unique_ptr<CWnd>> foreign;   // objects for other windows, kept till the end
    std::vector<std::unique_ptr<CWndImpl>> foreignImpls;
    std::set<std::string> classes;
    CWndImpl* pCreating = nullptr;   // the window CreateWindowExW is making
    CFrameBuffer noFrame;            // what a window that is gone draws into
};

CWinAppImpl& Win32State();
