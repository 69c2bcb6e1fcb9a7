// Reads the dialogs on the screen for the end-to-end tests, as a user would see them: every visible
// dialog-class window (the settings dialog, its About box, message boxes) with its controls' texts
// and rectangles, and how many characters of each text the dialog's font has no glyph for.
//   kelvane-dialog-probe list PROGRAM     PROGRAM: the .scr whose template 102 names the font
//   kelvane-dialog-probe sysmenu HWND     the items of a window's system menu
// Lines, texts in UTF-8 to the end of the line:
//   workarea LEFT TOP RIGHT BOTTOM
//   foreground HWND
//   window HWND XWINDOW ENABLED LEFT TOP RIGHT BOTTOM TITLE
//   control HWND ID CLASS VISIBLE LEFT TOP RIGHT BOTTOM MISSING TEXT
//   item ID FLAGS TEXT

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
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
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
        skipSzOrOrd();   // menu
        skipSzOrOrd();   // class
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
    if (GetGlyphIndicesW(hdc, text.c_str(), static_cast<int>(text.size()), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR)
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
    Print("control " + Handle(s->hDialog) + " " + Number(static_cast<short>(GetDlgCtrlID(hWnd))) + " " + Utf8(ClassOf(hWnd)) +
          " " + (IsWindowVisible(hWnd) ? "1" : "0") + " " + Rect(rc) + " " + Number(MissingGlyphs(s->hdc, text)) + " " +
          Utf8(text));
    return TRUE;
}

BOOL CALLBACK ListWindow(HWND hWnd, LPARAM lParam)
{
    if (!IsWindowVisible(hWnd) || ClassOf(hWnd) != L"#32770")
        return TRUE;
    RECT rc{};
    GetWindowRect(hWnd, &rc);
    const auto xWindow = reinterpret_cast<INT_PTR>(GetPropW(hWnd, L"__wine_x11_whole_window"));
    Print("window " + Handle(hWnd) + " " + Number(xWindow) + " " + (IsWindowEnabled(hWnd) ? "1" : "0") + " " + Rect(rc) + " " +
          Utf8(TextOf(hWnd)));
    ListState s{reinterpret_cast<HDC>(lParam), hWnd};
    EnumChildWindows(hWnd, ListControl, reinterpret_cast<LPARAM>(&s));
    return TRUE;
}

int List(const wchar_t* pProgram)
{
    RECT rcWork{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &rcWork, 0);
    Print("workarea " + Rect(rcWork));
    Print("foreground " + Handle(GetForegroundWindow()));
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

int SystemMenu(HWND hWnd)
{
    const HMENU hMenu = GetSystemMenu(hWnd, FALSE);
    const int n = hMenu != nullptr ? GetMenuItemCount(hMenu) : -1;
    if (n < 0)
    {
        Print("error: no system menu to read");
        return 2;
    }
    for (int i = 0; i < n; ++i)
    {
        wchar_t text[256] = {};
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
        mii.dwTypeData = text;
        mii.cch = 256;
        GetMenuItemInfoW(hMenu, static_cast<UINT>(i), TRUE, &mii);
        Print("item " + Number(mii.wID) + " " + Number(mii.fType) + " " + Utf8(text));
    }
    return 0;
}
}   // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"list" && argc > 2)
        return List(argv[2]);
    if (command == L"sysmenu" && argc > 2)
        return SystemMenu(reinterpret_cast<HWND>(static_cast<INT_PTR>(std::wcstoll(argv[2], nullptr, 10))));
    Print("usage: kelvane-dialog-probe list PROGRAM | sysmenu HWND");
    return 2;
}
