// Desktop dialogs. The settings dialog on Qt Widgets comes with its own change; until then
// settings mode says so, as it always has, and stores nothing.

#include "platform/Dialog.h"
#include "platform/common/BackEnd.h"
#include "platform/qt/QtImpl.h"

int AfxRunModalDialog(CDialog* /*pDlg*/, const DialogTemplate* pTemplate)
{
    if (pTemplate == nullptr)
        return -1;
    AfxMessageBox("設定ダイアログはまだありません。設定はプロファイルを直接編集してください。", MB_OK);
    return IDCANCEL;
}

void AfxEndModalDialog(CDialog* /*pDlg*/)
{
}

CWnd* CDialog::GetDlgItem(int /*nID*/) const
{
    return nullptr;   // no dialog has controls here yet
}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl)
{
    if (pWndCtrl != nullptr)
        pWndCtrl->SetFocus();
}
