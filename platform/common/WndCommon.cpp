// The message-to-handler routing and the handlers' defaults, shared by every back end.

#include "platform/Dialog.h"
#include "platform/WinApp.h"
#include "platform/WinMessages.h"
#include "platform/Wnd.h"
#include "platform/common/BackEnd.h"
#include "platform/common/WndRouting.h"

namespace
{
int LowWord(std::intptr_t v)
{
    return static_cast<std::int16_t>(v & 0xFFFF);
}

int HighWord(std::intptr_t v)
{
    return static_cast<std::int16_t>((v >> 16) & 0xFFFF);
}
}   // namespace

bool CWndRouting::CallHandler(CWnd* p, UINT message, std::uintptr_t wParam, std::intptr_t lParam,
                              std::intptr_t* plResult)
{
    std::intptr_t lResult = 0;
    const CPoint point(LowWord(lParam), HighWord(lParam));
    const auto nFlags = static_cast<UINT>(wParam);
    const auto nRepCnt = static_cast<UINT>(lParam & 0xFFFF);
    const auto nKeyFlags = static_cast<UINT>((lParam >> 16) & 0xFFFF);
    switch (message)
    {
    case WM_CREATE: lResult = p->OnCreate(); break;
    case WM_DESTROY: p->OnDestroy(); break;
    case WM_CLOSE: p->OnClose(); break;
    case WM_TIMER: p->OnTimer(static_cast<UINT>(wParam)); break;
    case WM_PAINT: p->OnPaint(); break;
    case WM_SYSCOMMAND: p->OnSysCommand(static_cast<UINT>(wParam)); break;
    case WM_SETCURSOR: lResult = p->OnSetCursor() ? 1 : 0; break;
    case WM_NCACTIVATE: lResult = p->OnNcActivate(wParam != 0) ? 1 : 0; break;
    case WM_ACTIVATE: p->OnActivate(static_cast<UINT>(wParam & 0xFFFF)); break;
    case WM_ACTIVATEAPP: p->OnActivateApp(wParam != 0); break;
    case WM_MOUSEMOVE: p->OnMouseMove(nFlags, point); break;
    case WM_LBUTTONDOWN: p->OnLButtonDown(nFlags, point); break;
    case WM_MBUTTONDOWN: p->OnMButtonDown(nFlags, point); break;
    case WM_RBUTTONDOWN: p->OnRButtonDown(nFlags, point); break;
    case WM_KEYDOWN: p->OnKeyDown(static_cast<UINT>(wParam), nRepCnt, nKeyFlags); break;
    case WM_SYSKEYDOWN: p->OnSysKeyDown(static_cast<UINT>(wParam), nRepCnt, nKeyFlags); break;
    case WM_DISPLAYCHANGE: p->OnDisplayChange(); break;
    case WM_DISPLAYPOWER: p->OnDisplayPower(wParam != 0); break;
    case WM_QUERYDRAGICON: lResult = reinterpret_cast<std::intptr_t>(p->OnQueryDragIcon()); break;
    case WM_COMMAND:
        if (!p->OnCommand(wParam, lParam))
            return false;
        break;
    case WM_NOTIFY:
        if (!p->OnNotify(wParam, lParam, &lResult))
            return false;
        break;
    case WM_INITDIALOG:
    {
        auto* pDlg = dynamic_cast<CDialog*>(p);
        if (pDlg == nullptr)
            return false;
        lResult = pDlg->OnInitDialog() ? 1 : 0;
        break;
    }
    default: return false;
    }
    *plResult = lResult;
    return true;
}

std::intptr_t CWnd::Default()
{
    return AfxDefaultHandling(this);
}

// Every handler's default is the system's own handling of its message.
// One line each, read as a table:
// clang-format off
int CWnd::OnCreate() { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnTimer(UINT) { Default(); }
void CWnd::OnPaint() { Default(); }
void CWnd::OnSysCommand(UINT) { Default(); }
bool CWnd::OnSetCursor() { return Default() != 0; }
bool CWnd::OnNcActivate(bool) { return Default() != 0; }
void CWnd::OnActivate(UINT) { Default(); }
void CWnd::OnActivateApp(bool) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnMButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnSysKeyDown(UINT, UINT, UINT) { Default(); }
IconHandle CWnd::OnQueryDragIcon() { return reinterpret_cast<IconHandle>(Default()); }
void CWnd::OnDisplayChange() { Default(); }
void CWnd::OnDisplayPower(bool) { Default(); }
bool CWnd::OnCommand(std::uintptr_t, std::intptr_t) { return false; }
bool CWnd::OnNotify(std::uintptr_t, std::intptr_t, std::intptr_t*) { return false; }
// clang-format on

CWnd* CWnd::SetFocus()
{
    // A message box disables its owner, and a disabled window's controls refuse the focus. Some
    // systems let it through anyway; refusing it here makes every platform nest handlers alike.
    if (const CWinApp* pApp = AfxGetApp(); m_pImpl == nullptr || (pApp != nullptr && pApp->RefusesFocus()))
        return nullptr;
    // A dialog that has ended lets none of its controls take the focus back: the handler that the
    // focus leaving started (a check, a failed exchange) would put it there, the window's going
    // would take it away again and start that handler again, without end.
    if (const auto* pDlg = dynamic_cast<const CDialog*>(GetParent()); pDlg != nullptr && pDlg->HasEnded())
        return nullptr;
    return AfxSetFocus(this);
}
