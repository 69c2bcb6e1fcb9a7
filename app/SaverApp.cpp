// The application's modes: the saver over every monitor, the preview in its host's window, or the
// settings dialog, whose accepted settings it stores.

#include "app/SaverApp.h"

#include "app/Switches.h"
#include "platform/Wnd.h"
#include "saver/SaverWnd.h"
#include "settings/SettingsDlg.h"
#include "snow/SnowParams.h"
#include "snow/SnowWnd.h"

bool CSaverApp::InitInstance()
{
    const SaverCommand command = ChooseMode(m_argc, m_argv);
    switch (command.mode)
    {
    case SaverMode::Settings: RunSettings(); return false;

    case SaverMode::Preview:
    {
        // With no live host (a handle of 0, text that is no number, a window already gone) there is
        // nothing to draw into: end at once rather than run on without a window.
        CWnd* pHost = CWnd::FromHandle(static_cast<WindowHandle>(command.nHostHandle));
        if (pHost == nullptr)
            return false;
        CRect rect;
        pHost->GetClientRect(&rect);
        auto* pWnd = new CSnowWnd(true);
        // A window that could not be made has deleted itself (the host may go at any moment).
        if (!pWnd->Create(0, WS_CHILD | WS_VISIBLE, rect, pHost))
            return false;
        m_pMainWnd = pWnd;
        return true;
    }

    case SaverMode::Saver:
    {
        auto* pWnd = new CSaverWnd;
        if (!pWnd->CreateFullScreen())
            return false;
        m_pMainWnd = pWnd;
        pWnd->CoverOtherMonitors();
        return true;
    }

    case SaverMode::Exit: break;
    }
    return false;
}

void CSaverApp::RunSettings()
{
    CSettingsDlg dlg;
    m_pMainWnd = &dlg;
    const int nResult = dlg.DoModal();
    if (m_pMainWnd == &dlg)
        m_pMainWnd = nullptr;   // a dialog that never opened leaves no pointer behind
    if (nResult != IDOK)
        return;
    // The seven go in one replacement of the file; if it fails, the old settings stay whole, and
    // the user must hear that the new ones were not kept.
    if (!WriteSnowParams(dlg.GetParams()))
        AfxMessageBox("設定を保存できませんでした。\n" + m_strProfileName, MB_ICONEXCLAMATION);
}
