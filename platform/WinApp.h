#pragma once
// The application frame: the one application object, the message loop, the profile, and the few
// system services that belong to no window.

#include "platform/Types.h"
#include "platform/WinDefs.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

class CWnd;
struct CWinAppImpl;   // the back end's side of the application: its queue, windows and screen

class CWinApp
{
public:
    // Registers the application object. Without a name, the executable's name names the profile.
    explicit CWinApp(const char* lpszAppName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // true runs the message loop, false ends the process.
    virtual bool InitInstance() { return false; }
    // Runs the message loop until the quit message; returns its exit code.
    virtual int Run();
    virtual int ExitInstance() { return 0; }

    // The profile: an INI file read and written with the Windows profile API's rules. A missing
    // file, section or key gives the default. The writes say whether the file was written.
    UINT GetProfileInt(const char* lpszSection, const char* lpszEntry, int nDefault);
    std::string GetProfileString(const char* lpszSection, const char* lpszEntry, const char* lpszDefault = nullptr);
    bool WriteProfileInt(const char* lpszSection, const char* lpszEntry, int nValue);
    bool WriteProfileString(const char* lpszSection, const char* lpszEntry, const char* lpszValue);
    // Sets several entries of one section, {entry, value} in order, in one replacement of the file:
    // either all of them are written or the file stays as it was.
    bool WriteProfileStrings(const char* lpszSection, const std::vector<std::pair<std::string, std::string>>& entries);

    // The program's icons, by resource id; nullptr for an id it has none for.
    IconHandle LoadIcon(UINT nIDResource) const;

    CWnd* m_pMainWnd = nullptr;   // destroying it ends the message loop
    int m_argc = 0;
    char** m_argv = nullptr;
    std::string m_strAppName;
    std::string m_strExeName;       // the executable's name without folder or extension
    std::string m_strProfileName;   // the profile file; empty: no profile, every read gives its default
    // Entries that stand in for the profile's during this run, {section, entry} -> the text the
    // file would hold: the reads find them first, the writes never store them.
    std::map<std::pair<std::string, std::string>, std::string> m_profileOverrides;

    CWinAppImpl* m_pImpl = nullptr;

    // Message boxes open now, one inside another. While one is open, its owner is disabled and the
    // program's windows refuse the focus: a kill-focus handler that a box starts runs once, not
    // again inside its own box. The same on every platform.
    int m_nOpenMessageBoxes = 0;
    bool RefusesFocus() const { return m_nOpenMessageBoxes > 0; }
    // The innermost dialog running modally: it owns the message boxes shown meanwhile.
    CWnd* m_pModalDialog = nullptr;
};

CWinApp* AfxGetApp();

// The program's start, called by the back end's main(): takes the arguments, finds the profile,
// runs InitInstance and, if it asks for one, the message loop.
int AfxWinMain(int argc, char** argv);

// Where the profile of an executable with this name lives on this platform.
std::string AfxProfilePathFor(const std::string& strExeName);

// Ends the message loop once the messages queued before it have run.
void AfxPostQuitMessage(int nExitCode);

// Registers (once per distinct set of values) a window class: its styles and the cursor resource
// shown over its windows. Returns the class name to pass to CWnd::CreateEx.
const char* AfxRegisterWndClass(UINT nClassStyle, UINT nIDCursor);

int AfxGetSystemMetrics(int nIndex);

// Every monitor's rectangle in the screen's own pixels, the coordinates windows are made at; the
// primary monitor first. A change reaches every top-level window as OnDisplayChange.
std::vector<CRect> AfxGetMonitorRects();

// Hides the mouse cursor while it stays over the window being handled (Win32's SetCursor(NULL)).
void AfxHideCursor();

// A modal message box captioned with the program's name, owned by the innermost modal dialog (else
// the main window); returns the button that closed it (IDOK).
int AfxMessageBox(const std::string& text, UINT nType = MB_OK, UINT nIDHelp = 0);

// A string resource of the program, empty when it has none with that id.
std::string AfxLoadString(UINT nID);
// The program's string table, for back ends without resources of their own; nullptr when absent.
const char* AfxFindString(UINT nID);
// The program's icons as pixels; nullptr when absent.
IconHandle AfxFindIcon(UINT nID);
