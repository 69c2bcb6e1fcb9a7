// The application frame's portable part: the one application object, its message boxes' caption
// and owner, the program's start, and a window object's last call.

#include "platform/FrameIds.h"
#include "platform/WinApp.h"
#include "platform/Wnd.h"
#include "platform/common/BackEnd.h"

#include <string_view>

namespace
{
CWinApp* s_pApp = nullptr;   // the one application object

// "C:\dir\kelvane.scr" and "/usr/bin/kelvane" both name the executable "kelvane".
std::string ExeNameFrom(const char* argv0)
{
    std::string_view path = argv0 != nullptr ? argv0 : "";
    if (const auto slash = path.find_last_of("/\\"); slash != std::string_view::npos)
        path.remove_prefix(slash + 1);
    if (const auto dot = path.rfind('.'); dot != std::string_view::npos && dot > 0)
        path = path.substr(0, dot);
    return std::string(path);
}
}   // namespace

CWinApp::CWinApp(const char* lpszAppName) : m_strAppName(lpszAppName != nullptr ? lpszAppName : "")
{
    s_pApp = this;
    m_pImpl = AfxNewAppImpl(this);
}

CWinApp::~CWinApp()
{
    AfxDeleteAppImpl(m_pImpl);
    m_pImpl = nullptr;
    if (s_pApp == this)
        s_pApp = nullptr;
}

CWinApp* AfxGetApp()
{
    return s_pApp;
}

IconHandle CWinApp::LoadIcon(UINT nIDResource) const
{
    return AfxFindIcon(nIDResource);
}

int AfxMessageBox(const std::string& text, UINT nType, UINT nIDHelp)
{
    CWinApp* pApp = AfxGetApp();
    CWnd* pOwner = pApp->m_pModalDialog != nullptr ? pApp->m_pModalDialog : pApp->m_pMainWnd;
    if (pOwner != nullptr && !pOwner->IsWindow())
        pOwner = nullptr;
    std::string strCaption = AfxLoadString(AFX_IDS_APP_TITLE);
    if (strCaption.empty())
        strCaption = pApp->m_strAppName;
    ++pApp->m_nOpenMessageBoxes;
    AfxCancelMode();
    const int nResult = AfxShowMessageBox(pOwner, strCaption, text, nType, nIDHelp);
    --pApp->m_nOpenMessageBoxes;
    return nResult;
}

int AfxWinMain(int argc, char** argv)
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr)
        return 1;
    pApp->m_argc = argc;
    pApp->m_argv = argv;
    if (pApp->m_strExeName.empty())
        pApp->m_strExeName = ExeNameFrom(argc > 0 ? argv[0] : nullptr);
    if (pApp->m_strAppName.empty())
        pApp->m_strAppName = pApp->m_strExeName;
    if (pApp->m_strProfileName.empty() && !pApp->m_strExeName.empty())
        pApp->m_strProfileName = AfxProfilePathFor(pApp->m_strExeName);

    if (!pApp->InitInstance())
        return pApp->ExitInstance();
    const int nExitCode = pApp->Run();
    const int nExitInstance = pApp->ExitInstance();
    return nExitCode != 0 ? nExitCode : nExitInstance;
}

CWnd::~CWnd()
{
    // A window that outlives its object would call handlers of a destroyed object.
    if (m_pImpl != nullptr)
        DestroyWindow();
}

void CWnd::OnNcDestroy()
{
    if (CWinApp* pApp = AfxGetApp(); pApp != nullptr && pApp->m_pMainWnd == this)
    {
        pApp->m_pMainWnd = nullptr;
        AfxPostQuitMessage(0);
    }
    m_pImpl = nullptr;
    PostNcDestroy();
}
