// The part of the dialog probe that runs inside the program it reads: a window's system menu can
// be read only by the process that owns the window. The probe hooks the window's thread with this
// library and posts it a request; the hook answers with the menu's items through WM_COPYDATA.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeGetMsgProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    static const UINT s_nRequest = RegisterWindowMessageW(L"KelvaneDialogProbe.SystemMenu");
    const auto* pMsg = reinterpret_cast<const MSG*>(lParam);
    if (nCode == HC_ACTION && wParam == PM_REMOVE && pMsg->message == s_nRequest)
    {
        // One line per item: "item ID TYPE TEXT".
        std::wstring lines;
        const HMENU hMenu = GetSystemMenu(pMsg->hwnd, FALSE);
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
        COPYDATASTRUCT cds{};
        cds.dwData = hMenu != nullptr ? 1 : 0;
        cds.cbData = static_cast<DWORD>(lines.size() * sizeof(wchar_t));
        cds.lpData = lines.data();
        SendMessageW(reinterpret_cast<HWND>(pMsg->wParam), WM_COPYDATA, reinterpret_cast<WPARAM>(pMsg->hwnd),
                     reinterpret_cast<LPARAM>(&cds));
    }
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}
