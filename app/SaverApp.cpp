#include "app/SaverApp.h"

#include "app/Switches.h"
#include "platform/Wnd.h"
#include "saver/SaverWnd.h"
#include "snow/SnowWnd.h"

bool CSaverApp::InitInstance()
{
    const SaverCommand command = ChooseMode(m_argc, m_argv);
    switch (command.mode)
    {
    case SaverMode::Settings:
        RunSettings();
        return false;

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
        return true;
    }

    case SaverMode::Exit: break;
    }
    return false;
}

void CSaverApp::RunSettings()
{
    // Until the settings dialog is built, settings mode says so and stores nothing; the profile
    // can still be edited by hand.
    AfxMessageBox("設定ダイアログはまだありません。設定はプロファイルを直接編集してください。", MB_OK);
}
