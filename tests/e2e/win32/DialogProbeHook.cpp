// The part of the dialog probe that runs inside the program it reads: a window's system menu, and
// what it answers to messages such as WM_QUERYDRAGICON, can be read only by the process that owns
// the window. The probe hooks the window's thread with this library and posts it a request; the
// hook answers through WM_COPYDATA, one line per fact.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

namespace
{
// "item ID TYPE TEXT" for each item of the window's system menu.
std::wstring SystemMenuLines(HWND hWnd)
{
    std::wstring lines;
    const HMENU hMenu = GetSystemMenu(hWnd, FALSE);
    const int n = hMenu != nullptr ? GetMenuItemCount(hMenu) : 0;
    for (int i = 0; i < n; ++i)
    {
        wchar_t text[256] = {};
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
        mii.dwTypeData = text;
        mii.cch = 256;
        GetMenuItemInfoW(hMenu, static_cast<UINT>(i), TRUE, &mii);
        lines += L"item " + std::to_wstring(mii.wID) + L" " + std::to_wstring(mii.fType) + L" " + text + L"\n";
    }
    return lines;
}

// "icon IS_ICON WIDTH HEIGHT" for what the window hands out to be dragged while minimised; all 0
// when that is no icon.
std::wstring DragIconLine(HWND hWnd)
{
    const auto hIcon = reinterpret_cast<HICON>(SendMessageW(hWnd, WM_QUERYDRAGICON, 0, 0));
    ICONINFO info{};
    if (hIcon == nullptr || !GetIconInfo(hIcon, &info))
        return L"icon 0 0 0\n";
    BITMAP bm{};
    GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    const bool bIcon = info.fIcon != FALSE;
    if (info.hbmColor != nullptr)
        DeleteObject(info.hbmColor);
    if (info.hbmMask != nullptr)
        DeleteObject(info.hbmMask);
    return L"icon " + std::wstring(bIcon ? L"1" : L"0") + L" " + std::to_wstring(bm.bmWidth) + L" " +
           std::to_wstring(bm.bmHeight) + L"\n";
}
}   // namespace

// wParam of the request: the window to answer; lParam: 0 the system menu, 1 the drag icon.
extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeGetMsgProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    static const UINT s_nRequest = RegisterWindowMessageW(L"KelvaneDialogProbe.Request");
    const auto* pMsg = reinterpret_cast<const MSG*>(lParam);
    if (nCode == HC_ACTION && wParam == PM_REMOVE && pMsg->message == s_nRequest)
    {
        std::wstring lines = pMsg->lParam == 0 ? SystemMenuLines(pMsg->hwnd) : DragIconLine(pMsg->hwnd);
        COPYDATASTRUCT cds{};
        cds.dwData = 1;
        cds.cbData = static_cast<DWORD>(lines.size() * sizeof(wchar_t));
        cds.lpData = lines.data();
        SendMessageW(reinterpret_cast<HWND>(pMsg->wParam), WM_COPYDATA, reinterpret_cast<WPARAM>(pMsg->hwnd),
                     reinterpret_cast<LPARAM>(&cds));
    }
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}
