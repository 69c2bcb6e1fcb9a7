// The Windows application frame: the message loop, window classes, and the system services that
// belong to no window.

#include "platform/win32/Win32.h"

#include "platform/Runtime.h"
#include "platform/common/BackEnd.h"

#include <ctime>

namespace Win32
{
std::wstring Widen(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), n);
    return text;
}

std::string Narrow(std::wstring_view utf16)
{
    if (utf16.empty())
        return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), text.data(), n, nullptr, nullptr);
    return text;
}
}   // namespace Win32

CWinAppImpl* AfxNewAppImpl(CWinApp* pApp)
{
    auto* pImpl = new CWinAppImpl;
    pImpl->pApp = pApp;
    pImpl->hInstance = GetModuleHandleW(nullptr);
    return pImpl;
}

void AfxDeleteAppImpl(CWinAppImpl* pImpl)
{
    // Objects for other programs' windows never own them: they must not try to destroy them.
    for (auto& [hWnd, pWnd] : pImpl->foreign)
        CWndImpl::Attach(pWnd.get(), nullptr);
    delete pImpl;
}

CWinAppImpl& Win32State()
{
    return *AfxGetApp()->m_pImpl;
}

int CWinApp::Run()
{
    MSG msg{};
    for (;;)
    {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(msg.wParam);
        if (got == -1)
            return -1;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void AfxPostQuitMessage(int nExitCode)
{
    PostQuitMessage(nExitCode);
}

const char* AfxRegisterWndClass(UINT nClassStyle, UINT nIDCursor)
{
    CWinAppImpl& s = Win32State();
    const std::string name = "Kelvane:" + std::to_string(nClassStyle) + ":" + std::to_string(nIDCursor);
    const auto [it, bNew] = s.classes.insert(name);
    if (bNew)
    {
        const std::wstring wide = Win32::Widen(name);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = nClassStyle;
        wc.lpfnWndProc = Win32::WindowProc;
        wc.hInstance = s.hInstance;
        wc.hCursor = nIDCursor != 0 ? LoadCursorW(s.hInstance, MAKEINTRESOURCEW(nIDCursor)) : nullptr;
        wc.hbrBackground = nullptr;   // every pixel comes from the framebuffer
        wc.lpszClassName = wide.c_str();
        if (RegisterClassExW(&wc) == 0)
        {
            s.classes.erase(it);
            return nullptr;
        }
    }
    return it->c_str();
}

int AfxGetSystemMetrics(int nIndex)
{
    return GetSystemMetrics(nIndex);
}

void AfxHideCursor()
{
    SetCursor(nullptr);
}

int AfxShowMessageBox(CWnd* pOwner, const std::string& strCaption, const std::string& strText, UINT nType,
                      UINT /*nIDHelp*/)
{
    const HWND hDialog = pOwner != nullptr ? Win32::ToHwnd(pOwner->GetSafeHwnd()) : nullptr;
    HWND hOwner = hDialog;
    const HWND hHadFocus = GetFocus();
    // A box opened while another box of the same owner takes the focus (a handler that box started)
    // belongs to that box: closing, it gives the focus back to that box. Were it the dialog's, the
    // system would put the focus back into the edit whose handler showed the box, and the next
    // focus move would start that handler again, and so on without end.
    if (const HWND hRoot = hHadFocus != nullptr ? GetAncestor(hHadFocus, GA_ROOT) : nullptr;
        hOwner != nullptr && hRoot != nullptr && hRoot != hOwner && GetWindow(hRoot, GW_OWNER) == hOwner)
        hOwner = hRoot;
    // The settings dialog, being the main window, asks the loop to end when it goes; a box shown
    // after that (a save that failed) would close at once without being seen. The request waits.
    MSG quit{};
    const bool bQuitPending = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    const int nResult = MessageBoxW(hOwner, Win32::Widen(strText).c_str(), Win32::Widen(strCaption).c_str(), nType);
    // Closing, a box gives the focus back to where it was.
    if (hHadFocus != nullptr && IsWindow(hHadFocus) && GetFocus() != hHadFocus)
        SetFocus(hHadFocus);
    Win32::ReleaseStaleCapture(hDialog);
    if (bQuitPending)
        PostQuitMessage(static_cast<int>(quit.wParam));
    return nResult;
}

std::string AfxLoadString(UINT nID)
{
    // With a length of 0, LoadStringW hands out the resource's own read-only text.
    const wchar_t* pText = nullptr;
    const int n = LoadStringW(GetModuleHandleW(nullptr), nID, reinterpret_cast<LPWSTR>(&pText), 0);
    return n > 0 && pText != nullptr ? Win32::Narrow(std::wstring_view(pText, static_cast<std::size_t>(n)))
                                     : std::string();
}

unsigned int AfxGetTime()
{
    return static_cast<unsigned int>(std::time(nullptr));
}

unsigned int AfxGetProcessId()
{
    return GetCurrentProcessId();
}
