// A stand-in for the screen-saver control panel's preview pane: a window whose handle it prints
// (decimal, one line) for `kelvane.scr /p HANDLE`, then where its client area is on the screen
// ("client LEFT TOP"); it reports the child windows it gains and destroys itself when told.
//   kelvane-preview-host [--size WxH] [--close-when-exists FILE] [--close-after MS]

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace
{
constexpr UINT_PTR kPollTimer = 1;
constexpr UINT_PTR kCloseTimer = 2;

std::wstring g_closeFile;
HWND g_hLastChild = nullptr;

// One line per change of the first child: "child HANDLE WIDTHxHEIGHT", or "child 0" when it is gone.
void ReportChild(HWND hWnd)
{
    const HWND hChild = GetWindow(hWnd, GW_CHILD);
    if (hChild == g_hLastChild)
        return;
    g_hLastChild = hChild;
    RECT rc{};
    if (hChild != nullptr)
        GetClientRect(hChild, &rc);
    if (hChild != nullptr)
        std::printf("child %lld %ldx%ld\n", static_cast<long long>(reinterpret_cast<INT_PTR>(hChild)), rc.right,
                    rc.bottom);
    else
        std::printf("child 0\n");
    std::fflush(stdout);
}

LRESULT CALLBACK HostProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_TIMER:
        if (wParam == kCloseTimer ||
            (!g_closeFile.empty() && GetFileAttributesW(g_closeFile.c_str()) != INVALID_FILE_ATTRIBUTES))
            DestroyWindow(hWnd);
        else
            ReportChild(hWnd);
        return 0;
    case WM_PAINT:
    {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hWnd, &ps);
        FillRect(hdc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
        EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_DESTROY:
        std::printf("destroyed\n");
        std::fflush(stdout);
        PostQuitMessage(0);
        return 0;
    default: return DefWindowProcW(hWnd, message, wParam, lParam);
    }
}
}   // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int)
{
    int cx = 320;
    int cy = 240;
    UINT nCloseAfter = 0;
    for (int i = 1; i + 1 < __argc; i += 2)
    {
        const std::wstring name = __wargv[i];
        if (name == L"--size")
            std::swscanf(__wargv[i + 1], L"%dx%d", &cx, &cy);
        else if (name == L"--close-when-exists")
            g_closeFile = __wargv[i + 1];
        else if (name == L"--close-after")
            nCloseAfter = static_cast<UINT>(std::wcstoul(__wargv[i + 1], nullptr, 10));
    }

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = HostProc;
    wc.hInstance = hInstance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.lpszClassName = L"KelvanePreviewHost";
    RegisterClassExW(&wc);

    // A plain overlapped window whose client area has the asked size.
    const DWORD dwStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    RECT rc{0, 0, cx, cy};
    AdjustWindowRect(&rc, dwStyle, FALSE);
    const HWND hWnd = CreateWindowExW(0, wc.lpszClassName, L"Kelvane preview host", dwStyle | WS_VISIBLE, 40, 40,
                                      rc.right - rc.left, rc.bottom - rc.top, nullptr, nullptr, hInstance, nullptr);
    if (hWnd == nullptr)
        return 1;
    POINT ptClient{0, 0};
    ClientToScreen(hWnd, &ptClient);
    std::printf("%lld\nclient %ld %ld\n", static_cast<long long>(reinterpret_cast<INT_PTR>(hWnd)), ptClient.x,
                ptClient.y);
    std::fflush(stdout);
    SetTimer(hWnd, kPollTimer, 50, nullptr);
    if (nCloseAfter != 0)
        SetTimer(hWnd, kCloseTimer, nCloseAfter, nullptr);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
