// Windows windows: each CWnd's native window runs one window procedure that calls the program's
// handlers; Default() is DefWindowProcW of the message being handled.

#include "platform/common/BackEnd.h"
#include "platform/common/WndRouting.h"
#include "platform/win32/Win32.h"
// After <windows.h>: the contract's own messages beside the system's.
#include "platform/WinMessages.h"

#include <algorithm>
#include <cstring>

namespace
{
// GUID_CONSOLE_DISPLAY_STATE: the display of the console session is off (0), on (1) or dimmed (2).
constexpr GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

// The display's state from a power-setting notice; false for any other setting.
bool DisplayStateOf(WPARAM wParam, LPARAM lParam, bool* pbOn)
{
    const auto* pSetting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
    if (wParam != PBT_POWERSETTINGCHANGE || pSetting == nullptr || pSetting->PowerSetting != kConsoleDisplayState ||
        pSetting->DataLength < sizeof(DWORD))
        return false;
    DWORD nState = 0;
    std::memcpy(&nState, pSetting->Data, sizeof nState);
    *pbOn = nState != 0;   // a dimmed display is still seen
    return true;
}

// The parent a child window is made in, when it belongs to another program (a preview's host).
HWND HostOf(HWND hParent, UINT dwStyle)
{
    DWORD nProcess = 0;
    if ((dwStyle & WS_CHILD) == 0 || hParent == nullptr || GetWindowThreadProcessId(hParent, &nProcess) == 0 ||
        nProcess == GetCurrentProcessId())
        return nullptr;
    return hParent;
}

// The window is gone: no handler of it runs any more; its object learns last and may delete itself.
LRESULT EndWindow(CWndImpl* pImpl, WPARAM wParam, LPARAM lParam)
{
    CWinAppImpl& s = Win32State();
    const HWND hWnd = pImpl->hWnd;
    if (pImpl->hPowerNotify != nullptr)
        UnregisterPowerSettingNotification(pImpl->hPowerNotify);
    SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
    s.windows.erase(hWnd);
    const LRESULT lResult = pImpl->DefaultProc(WM_NCDESTROY, wParam, lParam);
    CWnd* pWnd = pImpl->pWnd;
    pImpl->bGone = true;
    if (pImpl->pGoneDuringCreate != nullptr)
        *pImpl->pGoneDuringCreate = true;
    if (pImpl->nDepth == 0)
        delete pImpl;   // else the outermost Dispatch frees it
    CWndImpl::CallOnNcDestroy(pWnd);
    return lResult;
}
}   // namespace

LRESULT CALLBACK Win32::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* pImpl = reinterpret_cast<CWndImpl*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (pImpl == nullptr)
    {
        // The first message of a window CreateEx is making (WM_GETMINMAXINFO or WM_NCCREATE).
        CWinAppImpl& s = Win32State();
        if (s.pCreating == nullptr)
            return DefWindowProcW(hWnd, message, wParam, lParam);
        pImpl = s.pCreating;
        s.pCreating = nullptr;
        pImpl->hWnd = hWnd;
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pImpl));
        s.windows[hWnd] = pImpl;
    }
    if (message == WM_NCDESTROY)
        return EndWindow(pImpl, wParam, lParam);
    if (bool bOn = true; message == WM_POWERBROADCAST && DisplayStateOf(wParam, lParam, &bOn))
    {
        pImpl->Dispatch(WM_DISPLAYPOWER, bOn ? 1 : 0, 0);
        return TRUE;
    }
    return pImpl->Dispatch(message, wParam, lParam);
}

LRESULT CWndImpl::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    ++nDepth;
    handling.push_back({message, wParam, lParam});
    std::intptr_t lResult = 0;
    if (!CWndRouting::CallHandler(pWnd, message, wParam, lParam, &lResult))
        lResult = DefaultProc(message, wParam, lParam);
    handling.pop_back();
    if (--nDepth == 0 && bGone)
        delete this;
    return lResult;
}

LRESULT CWndImpl::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) const
{
    if (pfnSuper != nullptr)
        return CallWindowProcW(pfnSuper, hWnd, message, wParam, lParam);
    return DefWindowProcW(hWnd, message, wParam, lParam);
}

bool CWnd::CreateEx(UINT dwExStyle, const char* lpszClassName, const char* lpszWindowName, UINT dwStyle,
                    const CRect& rect, CWnd* pParentWnd, UINT nID)
{
    if (m_pImpl != nullptr)
        return false;
    CWinAppImpl& s = Win32State();
    const HWND hParent = pParentWnd != nullptr ? Win32::ToHwnd(pParentWnd->GetSafeHwnd()) : nullptr;
    bool bGone = false;
    HWND hWnd = nullptr;
    if (lpszClassName != nullptr && (pParentWnd == nullptr || ::IsWindow(hParent)))
    {
        auto* pImpl = new CWndImpl;
        pImpl->pWnd = this;
        pImpl->pGoneDuringCreate = &bGone;
        pImpl->hHost = HostOf(hParent, dwStyle);
        m_pImpl = pImpl;
        s.pCreating = pImpl;
        const HMENU hMenu = (dwStyle & WS_CHILD) != 0 ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)) : nullptr;
        // A window that takes no activation is made hidden and then shown without it.
        const bool bShowInactive = (dwExStyle & WS_EX_NOACTIVATE) != 0 && (dwStyle & WS_VISIBLE) != 0;
        hWnd = CreateWindowExW(dwExStyle, Win32::Widen(lpszClassName).c_str(),
                               Win32::Widen(lpszWindowName != nullptr ? lpszWindowName : "").c_str(),
                               bShowInactive ? dwStyle & ~WS_VISIBLE : dwStyle, rect.left, rect.top, rect.Width(),
                               rect.Height(), hParent, hMenu, s.hInstance, nullptr);
        s.pCreating = nullptr;
        if (bGone)
            return false;   // made and destroyed again (OnCreate refused, or the parent died): the object has been told
        pImpl->pGoneDuringCreate = nullptr;
        if (hWnd != nullptr)
        {
            // Windows on the screen hear of the display's power; the system sends its state once at once.
            if ((dwStyle & WS_CHILD) == 0 || pImpl->hHost != nullptr)
                pImpl->hPowerNotify =
                    RegisterPowerSettingNotification(hWnd, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
            if (bShowInactive)
                ShowWindow(hWnd, SW_SHOWNOACTIVATE);
            return true;
        }
        // Never made: no message reached the window procedure.
        delete pImpl;
        m_pImpl = nullptr;
    }
    CWndImpl::CallOnNcDestroy(this);
    return false;
}

bool CWnd::DestroyWindow()
{
    if (m_pImpl == nullptr || m_pImpl->bForeign)
        return false;
    return ::DestroyWindow(m_pImpl->hWnd) != FALSE;
}

CWnd* CWnd::FromHandle(WindowHandle h)
{
    const HWND hWnd = Win32::ToHwnd(h);
    if (hWnd == nullptr || !::IsWindow(hWnd))
        return nullptr;
    CWinAppImpl& s = Win32State();
    if (const auto it = s.windows.find(hWnd); it != s.windows.end())
        return it->second->pWnd;
    auto& pObject = s.foreign[hWnd];
    if (!pObject)
    {
        auto pImpl = std::make_unique<CWndImpl>();
        pImpl->hWnd = hWnd;
        pImpl->bForeign = true;
        pObject = std::make_unique<CWnd>();
        pImpl->pWnd = pObject.get();
        CWndImpl::Attach(pObject.get(), pImpl.get());
        s.foreignImpls.push_back(std::move(pImpl));
    }
    return pObject.get();
}

WindowHandle CWnd::GetSafeHwnd() const
{
    return m_pImpl != nullptr ? Win32::FromHwnd(m_pImpl->hWnd) : 0;
}

void CWnd::GetClientRect(CRect* lpRect) const
{
    RECT rc{};
    if (m_pImpl == nullptr || !::GetClientRect(m_pImpl->hWnd, &rc))
        rc = RECT{};
    *lpRect = CRect(rc.left, rc.top, rc.right, rc.bottom);
}

void CWnd::GetWindowRect(CRect* lpRect) const
{
    RECT rc{};
    if (m_pImpl == nullptr || !::GetWindowRect(m_pImpl->hWnd, &rc))
        rc = RECT{};
    *lpRect = CRect(rc.left, rc.top, rc.right, rc.bottom);
}

void CWnd::ScreenToClient(CRect* lpRect) const
{
    if (m_pImpl == nullptr)
        return;
    POINT pts[2] = {{lpRect->left, lpRect->top}, {lpRect->right, lpRect->bottom}};
    ::ScreenToClient(m_pImpl->hWnd, &pts[0]);
    ::ScreenToClient(m_pImpl->hWnd, &pts[1]);
    *lpRect = CRect(pts[0].x, pts[0].y, pts[1].x, pts[1].y);
}

CWnd* CWnd::GetParent() const
{
    if (m_pImpl == nullptr)
        return nullptr;
    const HWND hParent = ::GetAncestor(m_pImpl->hWnd, GA_PARENT);
    return hParent != GetDesktopWindow() ? FromHandle(Win32::FromHwnd(hParent)) : nullptr;
}

bool CWnd::IsIconic() const
{
    return m_pImpl != nullptr && ::IsIconic(m_pImpl->hWnd);
}

void CWnd::CenterWindow()
{
    if (m_pImpl == nullptr)
        return;
    const HWND hWnd = m_pImpl->hWnd;
    RECT rcWindow{};
    ::GetWindowRect(hWnd, &rcWindow);
    const int cx = rcWindow.right - rcWindow.left;
    const int cy = rcWindow.bottom - rcWindow.top;
    if ((GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_CHILD) != 0)
    {
        RECT rcArea{};
        ::GetClientRect(::GetParent(hWnd), &rcArea);
        SetWindowPos(hWnd, nullptr, (rcArea.right - cx) / 2, (rcArea.bottom - cy) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    // A top-level window centres over its owner (an About box over its dialog), else on the work
    // area of its monitor, the screen less the taskbar; either way it stays inside that work area.
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    RECT rcWork{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (GetMonitorInfoW(MonitorFromWindow(hWnd, MONITOR_DEFAULTTONEAREST), &mi))
        rcWork = mi.rcWork;
    RECT rcArea = rcWork;
    if (const HWND hOwner = GetWindow(hWnd, GW_OWNER);
        hOwner != nullptr && IsWindowVisible(hOwner) && !::IsIconic(hOwner))
        ::GetWindowRect(hOwner, &rcArea);
    int x = rcArea.left + (rcArea.right - rcArea.left - cx) / 2;
    int y = rcArea.top + (rcArea.bottom - rcArea.top - cy) / 2;
    x = std::max<int>(rcWork.left, std::min<int>(x, rcWork.right - cx));
    y = std::max<int>(rcWork.top, std::min<int>(y, rcWork.bottom - cy));
    SetWindowPos(hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CWnd::PostMessage(UINT message, std::uintptr_t wParam, std::intptr_t lParam)
{
    return m_pImpl != nullptr && ::PostMessageW(m_pImpl->hWnd, message, wParam, lParam) != FALSE;
}

std::intptr_t CWnd::SendMessage(UINT message, std::uintptr_t wParam, std::intptr_t lParam)
{
    return m_pImpl != nullptr ? ::SendMessageW(m_pImpl->hWnd, message, wParam, lParam) : 0;
}

UINT CWnd::SetTimer(UINT nIDEvent, UINT nElapse)
{
    if (m_pImpl == nullptr || m_pImpl->bForeign)
        return 0;
    return static_cast<UINT>(::SetTimer(m_pImpl->hWnd, nIDEvent, AfxTimerPeriod(nElapse), nullptr));
}

bool CWnd::KillTimer(UINT nIDEvent)
{
    return m_pImpl != nullptr && !m_pImpl->bForeign && ::KillTimer(m_pImpl->hWnd, nIDEvent) != FALSE;
}

void CWnd::Invalidate()
{
    if (m_pImpl != nullptr)
        InvalidateRect(m_pImpl->hWnd, nullptr, FALSE);
}

void CWnd::SetWindowText(const std::string& text)
{
    if (m_pImpl != nullptr)
        ::SetWindowTextW(m_pImpl->hWnd, Win32::Widen(text).c_str());
}

std::string CWnd::GetWindowText() const
{
    if (m_pImpl == nullptr)
        return {};
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(m_pImpl->hWnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(m_pImpl->hWnd, text.data(), static_cast<int>(text.size()))));
    return Win32::Narrow(text);
}

CWnd* AfxSetFocus(CWnd* pWnd)
{
    CWndImpl* pImpl = CWndImpl::Of(pWnd);
    if (pImpl == nullptr)
        return nullptr;
    const HWND hOld = ::SetFocus(pImpl->hWnd);
    return hOld != nullptr ? CWnd::FromHandle(Win32::FromHwnd(hOld)) : nullptr;
}

CWnd* CWnd::GetFocus()
{
    const HWND hFocus = ::GetFocus();
    return hFocus != nullptr ? FromHandle(Win32::FromHwnd(hFocus)) : nullptr;
}

bool CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    if (m_pImpl != nullptr || pParent == nullptr || pParent->m_pImpl == nullptr)
        return false;
    CWinAppImpl& s = Win32State();
    const HWND hControl = ::GetDlgItem(pParent->m_pImpl->hWnd, static_cast<int>(nID));
    // A window one of our objects already answers for keeps that object.
    if (hControl == nullptr || s.windows.count(hControl) != 0)
        return false;
    // The control's messages now reach this object's handlers first; its own procedure is their default.
    auto* pImpl = new CWndImpl;
    pImpl->hWnd = hControl;
    pImpl->pWnd = this;
    SetWindowLongPtrW(hControl, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pImpl));
    pImpl->pfnSuper = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hControl, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32::WindowProc)));
    if (pImpl->pfnSuper == nullptr)
    {
        SetWindowLongPtrW(hControl, GWLP_USERDATA, 0);
        delete pImpl;
        return false;
    }
    s.windows[hControl] = pImpl;
    m_pImpl = pImpl;
    return true;
}

int CWnd::GetDlgCtrlID() const
{
    return m_pImpl != nullptr ? ::GetDlgCtrlID(m_pImpl->hWnd) : 0;
}

CMenu* CWnd::GetSystemMenu(bool bRevert)
{
    if (m_pImpl == nullptr)
        return nullptr;
    const HMENU hMenu = ::GetSystemMenu(m_pImpl->hWnd, bRevert ? TRUE : FALSE);
    if (bRevert || hMenu == nullptr)
        return nullptr;
    m_pImpl->systemMenu.hMenu = hMenu;
    if (!m_pImpl->pSystemMenu)
        m_pImpl->pSystemMenu = std::make_unique<CMenu>(&m_pImpl->systemMenu);
    return m_pImpl->pSystemMenu.get();
}

bool CMenu::AppendMenu(UINT nFlags, UINT nIDNewItem, const char* lpszNewItem)
{
    const std::wstring text = lpszNewItem != nullptr ? Win32::Widen(lpszNewItem) : std::wstring();
    return ::AppendMenuW(m_pImpl->hMenu, nFlags, nIDNewItem, lpszNewItem != nullptr ? text.c_str() : nullptr) != FALSE;
}

std::intptr_t AfxDefaultHandling(CWnd* pWnd)
{
    CWndImpl* pImpl = CWndImpl::Of(pWnd);
    if (pImpl == nullptr || pImpl->handling.empty())
        return 0;
    const CWndImpl::Message& msg = pImpl->handling.back();
    return pImpl->DefaultProc(msg.message, msg.wParam, msg.lParam);
}
