// Reads the dialogs on the screen for the end-to-end tests, as a user would see them: every visible
// dialog-class window (the settings dialog, its About box, message boxes) with its controls' texts
// and rectangles, and how many characters of each text the dialog's font has no glyph for.
//   kelvane-dialog-probe list PROGRAM     PROGRAM: the .scr whose template 102 names the font
//   kelvane-dialog-probe sysmenu HWND     the items of a window's system menu (with the hook library)
//   kelvane-dialog-probe dragicon HWND    the icon a window hands out for WM_QUERYDRAGICON (with the hook library)
// Lines, texts in UTF-8 to the end of the line:
//   workarea LEFT TOP RIGHT BOTTOM
//   foreground HWND
//   focus HWND ID                          the control with the keyboard focus, if any
//   window HWND XWINDOW ENABLED LEFT TOP RIGHT BOTTOM TITLE
//   control HWND ID CLASS VISIBLE LEFT TOP RIGHT BOTTOM MISSING TEXT
//   item ID FLAGS TEXT
//   icon IS_ICON WIDTH HEIGHT           all 0 when the answer is no icon

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace
{
std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    // One line per record, whatever the text holds.
    for (char& c : out)
        if (c == '\n' || c == '\r')
            c = ' ';
    return out;
}

void Print(const std::string& line)
{
    DWORD n = 0;
    const std::string text = line + "\n";
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
}

std::string Number(long long v)
{
    return std::to_string(v);
}

std::string Handle(HWND h)
{
    return Number(static_cast<long long>(reinterpret_cast<INT_PTR>(h)));
}

std::string Rect(const RECT& rc)
{
    return Number(rc.left) + " " + Number(rc.top) + " " + Number(rc.right) + " " + Number(rc.bottom);
}

std::wstring TextOf(HWND hWnd)
{
    // Another program's window: WM_GETTEXT is copied across, with a limit on a hung one.
    wchar_t buffer[1024] = {};
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutW(hWnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, &n))
        return {};
    return std::wstring(buffer, n);
}

std::wstring ClassOf(HWND hWnd)
{
    wchar_t name[256] = {};
    const int n = GetClassNameW(hWnd, name, 256);
    return std::wstring(name, static_cast<std::size_t>(n > 0 ? n : 0));
}

// The font a dialog template asks for (DIALOGEX with DS_SETFONT), made as the dialog manager makes it.
HFONT TemplateFont(const wchar_t* pProgram, HDC hdc)
{
    const HMODULE hModule = LoadLibraryExW(pProgram, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (hModule == nullptr)
        return nullptr;
    HFONT hFont = nullptr;
    if (const HRSRC hRes = FindResourceW(hModule, MAKEINTRESOURCEW(102), RT_DIALOG); hRes != nullptr)
    {
        const auto* p = static_cast<const WORD*>(LockResource(LoadResource(hModule, hRes)));
        // dlgVer, signature, helpID(2), exStyle(2), style(2), cDlgItems, x, y, cx, cy
        const WORD* q = p + 13;
        auto skipSzOrOrd = [&q] {
            if (*q == 0xFFFF)
                q += 2;
            else
                q += wcslen(reinterpret_cast<const wchar_t*>(q)) + 1;
        };
        skipSzOrOrd();                                          // menu
        skipSzOrOrd();                                          // class
        q += wcslen(reinterpret_cast<const wchar_t*>(q)) + 1;   // title
        LOGFONTW lf{};
        lf.lfHeight = -MulDiv(q[0], GetDeviceCaps(hdc, LOGPIXELSY), 72);
        lf.lfWeight = q[1];
        lf.lfItalic = static_cast<BYTE>(q[2] & 0xFF);
        lf.lfCharSet = static_cast<BYTE>(q[2] >> 8);
        lstrcpynW(lf.lfFaceName, reinterpret_cast<const wchar_t*>(q + 3), LF_FACESIZE);
        hFont = CreateFontIndirectW(&lf);
    }
    FreeLibrary(hModule);
    return hFont;
}

int MissingGlyphs(HDC hdc, const std::wstring& text)
{
    if (text.empty())
        return 0;
    std::vector<WORD> glyphs(text.size());
    if (GetGlyphIndicesW(hdc, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                         GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR)
        return static_cast<int>(text.size());
    int n = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (glyphs[i] == 0xFFFF && text[i] != L'&')   // a mnemonic's marker is not drawn
            ++n;
    return n;
}

struct ListState
{
    HDC hdc;
    HWND hDialog;
};

BOOL CALLBACK ListControl(HWND hWnd, LPARAM lParam)
{
    auto* s = reinterpret_cast<ListState*>(lParam);
    RECT rc{};
    GetWindowRect(hWnd, &rc);
    const std::wstring text = TextOf(hWnd);
    Print("control " + Handle(s->hDialog) + " " + Number(static_cast<short>(GetDlgCtrlID(hWnd))) + " " +
          Utf8(ClassOf(hWnd)) + " " + (IsWindowVisible(hWnd) ? "1" : "0") + " " + Rect(rc) + " " +
          Number(MissingGlyphs(s->hdc, text)) + " " + Utf8(text));
    return TRUE;
}

BOOL CALLBACK ListWindow(HWND hWnd, LPARAM lParam)
{
    if (!IsWindowVisible(hWnd) || ClassOf(hWnd) != L"#32770")
        return TRUE;
    RECT rc{};
    GetWindowRect(hWnd, &rc);
    const auto xWindow = reinterpret_cast<INT_PTR>(GetPropW(hWnd, L"__wine_x11_whole_window"));
    Print("window " + Handle(hWnd) + " " + Number(xWindow) + " " + (IsWindowEnabled(hWnd) ? "1" : "0") + " " +
          Rect(rc) + " " + Utf8(TextOf(hWnd)));
    ListState s{reinterpret_cast<HDC>(lParam), hWnd};
    EnumChildWindows(hWnd, ListControl, reinterpret_cast<LPARAM>(&s));
    return TRUE;
}

int List(const wchar_t* pProgram)
{
    RECT rcWork{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &rcWork, 0);
    Print("workarea " + Rect(rcWork));
    const HWND hForeground = GetForegroundWindow();
    Print("foreground " + Handle(hForeground));
    // The keyboard focus belongs to the foreground window's thread, which may be another program's.
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    if (hForeground != nullptr && GetGUIThreadInfo(GetWindowThreadProcessId(hForeground, nullptr), &gui) &&
        gui.hwndFocus != nullptr)
        Print("focus " + Handle(gui.hwndFocus) + " " + Number(static_cast<short>(GetDlgCtrlID(gui.hwndFocus))));
    const HDC hdc = CreateCompatibleDC(nullptr);
    const HFONT hFont = TemplateFont(pProgram, hdc);
    if (hFont == nullptr)
    {
        Print("error: no template 102 in the program");
        return 2;
    }
    const HGDIOBJ hOld = SelectObject(hdc, hFont);
    EnumWindows(ListWindow, reinterpret_cast<LPARAM>(hdc));
    SelectObject(hdc, hOld);
    DeleteObject(hFont);
    DeleteDC(hdc);
    return 0;
}

std::wstring g_reply;
bool g_bReplied = false;

LRESULT CALLBACK ReplyProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COPYDATA)
    {
        const auto* pData = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        g_reply.assign(static_cast<const wchar_t*>(pData->lpData), pData->cbData / sizeof(wchar_t));
        g_bReplied = pData->dwData == 1;
        PostQuitMessage(0);
        return TRUE;
    }
    if (message == WM_TIMER)
    {
        PostQuitMessage(1);
        return 0;
    }
    return DefWindowProcW(hWnd, message, wParam, lParam);
}

// Only the window's own process can read its system menu or see what it answers to a message: the
// hook library asks there (what: 0 the system menu, 1 the drag icon) and sends the lines back.
int AskInside(HWND hWnd, LPARAM what)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring library = path;
    library.resize(library.find_last_of(L"\\/") + 1);
    library += L"kelvane-dialog-probe-hook.dll";
    const HMODULE hHook = LoadLibraryW(library.c_str());
    const auto pfnHook =
        hHook != nullptr ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(hHook, "ProbeGetMsgProc")))
                         : nullptr;
    const DWORD nThread = GetWindowThreadProcessId(hWnd, nullptr);
    if (pfnHook == nullptr || nThread == 0)
    {
        Print("error: no hook library, or no such window");
        return 2;
    }
    WNDCLASSW wc{};
    wc.lpfnWndProc = ReplyProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KelvaneDialogProbeReply";
    RegisterClassW(&wc);
    const HWND hReply =
        CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    const HHOOK hHookHandle = SetWindowsHookExW(WH_GETMESSAGE, pfnHook, hHook, nThread);
    SetTimer(hReply, 1, 10000, nullptr);
    PostMessageW(hWnd, RegisterWindowMessageW(L"KelvaneDialogProbe.Request"), reinterpret_cast<WPARAM>(hReply), what);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    if (hHookHandle != nullptr)
        UnhookWindowsHookEx(hHookHandle);
    if (!g_bReplied)
    {
        Print("error: no answer from the window's process");
        return 2;
    }
    std::size_t start = 0;
    for (std::size_t end; (end = g_reply.find(L'\n', start)) != std::wstring::npos; start = end + 1)
        Print(Utf8(g_reply.substr(start, end - start)));
    return 0;
}
}   // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"list" && argc > 2)
        return List(argv[2]);
    if (command == L"sysmenu" && argc > 2)
        return AskInside(reinterpret_cast<HWND>(static_cast<INT_PTR>(std::wcstoll(argv[2], nullptr, 10))), 0);
    if (command == L"dragicon" && argc > 2)
        return AskInside(reinterpret_cast<HWND>(static_cast<INT_PTR>(std::wcstoll(argv[2], nullptr, 10))), 1);
    Print("usage: kelvane-dialog-probe list PROGRAM | sysmenu HWND | dragicon HWND");
    return 2;
}
