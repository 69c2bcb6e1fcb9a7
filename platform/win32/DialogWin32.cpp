// Windows dialogs: the system's dialog manager builds the dialog from the program's DIALOGEX
// resource and runs its modal loop, keyboard interface and default button; the program's handlers
// hear of it through the same window procedure as every other window of ours.

#include "platform/Dialog.h"
#include "platform/FrameIds.h"
#include "platform/WinApp.h"
#include "platform/common/BackEnd.h"
#include "platform/win32/Win32.h"

#include <commctrl.h>

namespace
{
// The arrow pairs are comctl32's up-down controls, registered once per process.
void InitArrowControls()
{
    static const bool s_bDone = [] {
        INITCOMMONCONTROLSEX icc{};
        icc.dwSize = sizeof icc;
        icc.dwICC = ICC_UPDOWN_CLASS;
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)s_bDone;
}

UINT ReleaseStaleCaptureMessage()
{
    static const UINT s_nMessage = RegisterWindowMessageW(L"Kelvane.ReleaseStaleCapture");
    return s_nMessage;
}

// The control that holds the mouse lets go of it and of any hold: an arrow pair stops repeating,
// a button forgets its press.
void CancelCapture(HWND hCapture)
{
    SendMessageW(hCapture, WM_CANCELMODE, 0, 0);
    if (GetCapture() == hCapture)
        ReleaseCapture();
}

// What only a dialog needs beyond the shared routing: the handlers speak of the program's own
// icons and drawing contexts, the system of HICONs and HDCs.
LRESULT CALLBACK DialogWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == ReleaseStaleCaptureMessage())
    {
        // A control took the mouse after its click's box had come and gone (a button, or an arrow
        // pair that starts its repeat only once its first step is over): the box ended that click,
        // and the control would swallow the user's next one or repeat its step under a new box.
        if (const HWND hCapture = GetCapture(); hCapture != nullptr && IsChild(hWnd, hCapture))
            CancelCapture(hCapture);
        return 0;
    }
    if (message == WM_ICONERASEBKGND)
    {
        // The program sends its paint context; the system erases through the paint's own HDC.
        const auto* pImpl = reinterpret_cast<const CWndImpl*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
        if (pImpl != nullptr && pImpl->paint.hdc != nullptr)
            wParam = reinterpret_cast<WPARAM>(pImpl->paint.hdc);
    }
    const LRESULT lResult = Win32::WindowProc(hWnd, message, wParam, lParam);
    if (message == WM_QUERYDRAGICON && lResult != 0 &&
        reinterpret_cast<IconHandle>(lResult) == AfxFindIcon(AFX_IDR_MAINFRAME))
        return reinterpret_cast<LRESULT>(LoadIconW(Win32State().hInstance, MAKEINTRESOURCEW(AFX_IDR_MAINFRAME)));
    return lResult;
}

// The dialog manager's procedure for our dialogs. At WM_INITDIALOG the window becomes the
// CDialog's, as CreateEx makes a window ours: from then on its messages reach the program's
// handlers first, and the dialog manager's own procedure is their default. This procedure then
// only tells that procedure that nothing more is to be done.
INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_INITDIALOG || GetWindowLongPtrW(hWnd, GWLP_USERDATA) != 0)
        return FALSE;
    auto* pDlg = reinterpret_cast<CDialog*>(lParam);
    CWinAppImpl& s = Win32State();
    auto* pImpl = new CWndImpl;
    pImpl->hWnd = hWnd;
    pImpl->pWnd = pDlg;
    SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pImpl));
    pImpl->pfnSuper =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DialogWindowProc)));
    s.windows[hWnd] = pImpl;
    CWndImpl::Attach(pDlg, pImpl);

    // Enter presses the dialog's own choice among the buttons its template marks as default.
    SendMessageW(hWnd, DM_SETDEFID, pDlg->GetDefID(), 0);
    // A dialog's procedure answers WM_INITDIALOG by its return value: TRUE puts the focus on the
    // first tab stop.
    return pImpl->Dispatch(WM_INITDIALOG, wParam, lParam) != 0 ? TRUE : FALSE;
}

// The window that owns a new modal dialog: its parent, else the application's main window (the
// settings dialog for its About box); the settings dialog itself has none.
HWND OwnerFor(const CDialog* pDlg, CWnd* pParent)
{
    if (pParent != nullptr && pParent->IsWindow())
        return Win32::ToHwnd(pParent->GetSafeHwnd());
    CWnd* pMain = AfxGetApp()->m_pMainWnd;
    if (pMain != nullptr && pMain != pDlg && pMain->IsWindow())
        return Win32::ToHwnd(pMain->GetSafeHwnd());
    return nullptr;
}
}   // namespace

void AfxCancelMode()
{
    // A box is about to take the mouse: an arrow pair held down stops repeating before the box's own
    // loop could run its timer and step again under the box.
    if (const HWND hCapture = GetCapture();
        hCapture != nullptr && GetWindowThreadProcessId(hCapture, nullptr) == GetCurrentThreadId())
        CancelCapture(hCapture);
}

void Win32::ReleaseStaleCapture(HWND hDlg)
{
    // A box that a click's focus move opens comes and goes before the button takes the mouse: the
    // release must wait until that click's handling is over.
    if (hDlg != nullptr && Win32State().windows.count(hDlg) != 0)
        PostMessageW(hDlg, ReleaseStaleCaptureMessage(), 0, 0);
}

int AfxRunModalDialog(CDialog* pDlg, const DialogTemplate* pTemplate)
{
    if (pTemplate == nullptr)
        return -1;
    InitArrowControls();
    CWinAppImpl& s = Win32State();
    // The dialog manager runs the program's templates as the resources compiled from them. A
    // template of the caller's own has no resource: running the resource of the same id instead
    // would show another dialog.
    if (pTemplate != AfxFindDialogTemplate(pTemplate->nID) ||
        FindResourceW(s.hInstance, MAKEINTRESOURCEW(pTemplate->nID), RT_DIALOG) == nullptr)
        return -1;
    const INT_PTR nRun =
        DialogBoxParamW(s.hInstance, MAKEINTRESOURCEW(pTemplate->nID), OwnerFor(pDlg, pDlg->m_pParentWnd), &DialogProc,
                        reinterpret_cast<LPARAM>(pDlg));
    if (nRun == -1)
        return -1;
    return pDlg->m_nModalResult;
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
    // The rules of CWnd::SetFocus: while a message box is open, and once the dialog has ended, the
    // dialog's controls refuse the focus.
    if (const CWinApp* pApp = AfxGetApp(); HasEnded() || (pApp != nullptr && pApp->RefusesFocus()))
        return;
    if (pWndCtrl != nullptr && IsWindow())
        ::SendMessageW(Win32::ToHwnd(GetSafeHwnd()), WM_NEXTDLGCTL, static_cast<WPARAM>(pWndCtrl->GetSafeHwnd()), TRUE);
}
