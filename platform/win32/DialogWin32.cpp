// Windows dialogs. The settings dialog on the Windows dialog manager comes with its own change;
// until then settings mode says so, as it always has, and stores nothing.

#include "platform/Dialog.h"
#include "platform/common/BackEnd.h"
#include "platform/win32/Win32.h"

int AfxRunModalDialog(CDialog* /*pDlg*/, const DialogTemplate* pTemplate)
{
    if (pTemplate == nullptr)
        return -1;
    AfxMessageBox("設定ダイアログはまだありません。設定はプロファイルを直接編集してください。", MB_OK);
    return IDCANCEL;
}

void AfxEndModalDialog(CDialog* pDlg)
{
    if (pDlg->IsWindow())
        ::EndDialog(Win32::ToHwnd(pDlg->GetSafeHwnd()), 0);
}

CWnd* CDialog::GetDlgItem(int nID) const
{
    const HWND hItem = IsWindow() ? ::GetDlgItem(Win32::ToHwnd(GetSafeHwnd()), nID) : nullptr;
    return hItem != nullptr ? CWnd::FromHandle(Win32::FromHwnd(hItem)) : nullptr;
}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl)
{
    if (pWndCtrl != nullptr && IsWindow())
        ::SendMessageW(Win32::ToHwnd(GetSafeHwnd()), WM_NEXTDLGCTL, static_cast<WPARAM>(pWndCtrl->GetSafeHwnd()), TRUE);
}
