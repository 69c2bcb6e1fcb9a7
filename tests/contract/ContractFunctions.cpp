// Every function platform/'s contract headers declare and do not define inline, by address, in one
// program linked against each back end: a function a back end leaves undefined fails that link,
// before any program calls it. Private members are the shared implementation's own business.

#include "platform/Dc.h"
#include "platform/Dialog.h"
#include "platform/FrameBuffer.h"
#include "platform/Runtime.h"
#include "platform/WinApp.h"
#include "platform/Wnd.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace
{
struct ContractFunction
{
    const char* pszName;
    unsigned char address[2 * sizeof(void*)];   // a function pointer, or a pointer to a member function
};

template <typename F>
void Take(std::vector<ContractFunction>& list, const char* pszName, F pfn)
{
    static_assert(sizeof(F) <= sizeof(ContractFunction::address));
    ContractFunction f{pszName, {}};
    std::memcpy(f.address, &pfn, sizeof pfn);
    list.push_back(f);
}

// The address of a virtual function taken through a pointer to member is its place in the table of
// virtual functions, not the function; a qualified call names the function itself. Protected
// members are reached from a derived class.
struct CWndProbe : CWnd
{
    static void TakeAll(std::vector<ContractFunction>& list);
};

// One line each, read as a list:
// clang-format off
void CWndProbe::TakeAll(std::vector<ContractFunction>& list)
{
    // Wnd.h
    Take(list, "CMenu::AppendMenu", &CMenu::AppendMenu);
    Take(list, "CWnd::~CWnd", +[](CWnd* p) { p->CWnd::~CWnd(); });
    Take(list, "CWnd::CreateEx", &CWnd::CreateEx);
    Take(list, "CWnd::DestroyWindow", +[](CWnd* p) { return p->CWnd::DestroyWindow(); });
    Take(list, "CWnd::FromHandle", &CWnd::FromHandle);
    Take(list, "CWnd::GetSafeHwnd", &CWnd::GetSafeHwnd);
    Take(list, "CWnd::GetClientRect", &CWnd::GetClientRect);
    Take(list, "CWnd::GetWindowRect", &CWnd::GetWindowRect);
    Take(list, "CWnd::ScreenToClient", &CWnd::ScreenToClient);
    Take(list, "CWnd::GetParent", &CWnd::GetParent);
    Take(list, "CWnd::IsIconic", &CWnd::IsIconic);
    Take(list, "CWnd::CenterWindow", &CWnd::CenterWindow);
    Take(list, "CWnd::PostMessage", &CWnd::PostMessage);
    Take(list, "CWnd::SendMessage", &CWnd::SendMessage);
    Take(list, "CWnd::SetTimer", &CWnd::SetTimer);
    Take(list, "CWnd::KillTimer", &CWnd::KillTimer);
    Take(list, "CWnd::Invalidate", &CWnd::Invalidate);
    Take(list, "CWnd::SubclassDlgItem", &CWnd::SubclassDlgItem);
    Take(list, "CWnd::GetDlgCtrlID", &CWnd::GetDlgCtrlID);
    Take(list, "CWnd::SetWindowText", &CWnd::SetWindowText);
    Take(list, "CWnd::GetWindowText", &CWnd::GetWindowText);
    Take(list, "CWnd::SetFocus", &CWnd::SetFocus);
    Take(list, "CWnd::GetFocus", &CWnd::GetFocus);
    Take(list, "CWnd::GetSystemMenu", &CWnd::GetSystemMenu);
    Take(list, "CWnd::OnCreate", +[](CWndProbe* p) { return p->CWnd::OnCreate(); });
    Take(list, "CWnd::OnDestroy", +[](CWndProbe* p) { p->CWnd::OnDestroy(); });
    Take(list, "CWnd::OnClose", +[](CWndProbe* p) { p->CWnd::OnClose(); });
    Take(list, "CWnd::OnTimer", +[](CWndProbe* p) { p->CWnd::OnTimer(1); });
    Take(list, "CWnd::OnPaint", +[](CWndProbe* p) { p->CWnd::OnPaint(); });
    Take(list, "CWnd::OnSysCommand", +[](CWndProbe* p) { p->CWnd::OnSysCommand(SC_CLOSE); });
    Take(list, "CWnd::OnSetCursor", +[](CWndProbe* p) { return p->CWnd::OnSetCursor(); });
    Take(list, "CWnd::OnNcActivate", +[](CWndProbe* p) { return p->CWnd::OnNcActivate(false); });
    Take(list, "CWnd::OnActivate", +[](CWndProbe* p) { p->CWnd::OnActivate(WA_INACTIVE); });
    Take(list, "CWnd::OnActivateApp", +[](CWndProbe* p) { p->CWnd::OnActivateApp(false); });
    Take(list, "CWnd::OnMouseMove", +[](CWndProbe* p) { p->CWnd::OnMouseMove(0, CPoint()); });
    Take(list, "CWnd::OnLButtonDown", +[](CWndProbe* p) { p->CWnd::OnLButtonDown(0, CPoint()); });
    Take(list, "CWnd::OnMButtonDown", +[](CWndProbe* p) { p->CWnd::OnMButtonDown(0, CPoint()); });
    Take(list, "CWnd::OnRButtonDown", +[](CWndProbe* p) { p->CWnd::OnRButtonDown(0, CPoint()); });
    Take(list, "CWnd::OnKeyDown", +[](CWndProbe* p) { p->CWnd::OnKeyDown(0, 1, 0); });
    Take(list, "CWnd::OnSysKeyDown", +[](CWndProbe* p) { p->CWnd::OnSysKeyDown(0, 1, 0); });
    Take(list, "CWnd::OnQueryDragIcon", +[](CWndProbe* p) { return p->CWnd::OnQueryDragIcon(); });
    Take(list, "CWnd::OnDisplayChange", +[](CWndProbe* p) { p->CWnd::OnDisplayChange(); });
    Take(list, "CWnd::OnDisplayPower", +[](CWndProbe* p) { p->CWnd::OnDisplayPower(true); });
    Take(list, "CWnd::OnCommand", +[](CWndProbe* p) { return p->CWnd::OnCommand(0, 0); });
    Take(list, "CWnd::OnNotify", +[](CWndProbe* p) { return p->CWnd::OnNotify(0, 0, nullptr); });
    Take(list, "CWnd::Default", +[](CWndProbe* p) { return p->Default(); });
    Take(list, "CWnd::OnNcDestroy", +[](CWndProbe* p) { p->OnNcDestroy(); });

    // WinApp.h. AfxFindString and AfxFindIcon are the program's resources (res/), not a back end's.
    Take(list, "CWinApp::CWinApp", +[](void* p) { return new (p) CWinApp("contract"); });
    Take(list, "CWinApp::~CWinApp", +[](CWinApp* p) { p->CWinApp::~CWinApp(); });
    Take(list, "CWinApp::Run", +[](CWinApp* p) { return p->CWinApp::Run(); });
    Take(list, "CWinApp::GetProfileInt", &CWinApp::GetProfileInt);
    Take(list, "CWinApp::GetProfileString", &CWinApp::GetProfileString);
    Take(list, "CWinApp::WriteProfileInt", &CWinApp::WriteProfileInt);
    Take(list, "CWinApp::WriteProfileString", &CWinApp::WriteProfileString);
    Take(list, "CWinApp::WriteProfileStrings", &CWinApp::WriteProfileStrings);
    Take(list, "CWinApp::LoadIcon", &CWinApp::LoadIcon);
    Take(list, "AfxGetApp", &AfxGetApp);
    Take(list, "AfxWinMain", &AfxWinMain);
    Take(list, "AfxProfilePathFor", &AfxProfilePathFor);
    Take(list, "AfxPostQuitMessage", &AfxPostQuitMessage);
    Take(list, "AfxRegisterWndClass", &AfxRegisterWndClass);
    Take(list, "AfxGetSystemMetrics", &AfxGetSystemMetrics);
    Take(list, "AfxGetMonitorRects", &AfxGetMonitorRects);
    Take(list, "AfxHideCursor", &AfxHideCursor);
    Take(list, "AfxMessageBox", &AfxMessageBox);
    Take(list, "AfxLoadString", &AfxLoadString);

    // Runtime.h
    Take(list, "AfxGetTime", &AfxGetTime);
    Take(list, "AfxGetProcessId", &AfxGetProcessId);

    // Dc.h
    Take(list, "CClientDC::CClientDC", +[](void* p, CWnd* pWnd) { return new (p) CClientDC(pWnd); });
    Take(list, "CClientDC::~CClientDC", +[](CClientDC* p) { p->~CClientDC(); });
    Take(list, "CPaintDC::CPaintDC", +[](void* p, CWnd* pWnd) { return new (p) CPaintDC(pWnd); });
    Take(list, "CPaintDC::~CPaintDC", +[](CPaintDC* p) { p->~CPaintDC(); });

    // FrameBuffer.h
    Take(list, "CFrameBuffer::Resize", &CFrameBuffer::Resize);
    Take(list, "CFrameBuffer::FillSolidRect", &CFrameBuffer::FillSolidRect);
    Take(list, "CFrameBuffer::Ellipse", &CFrameBuffer::Ellipse);
    Take(list, "CFrameBuffer::BeginReverseOrder", &CFrameBuffer::BeginReverseOrder);
    Take(list, "CFrameBuffer::TakeChangedRects", &CFrameBuffer::TakeChangedRects);
}

// Dialog.h. AfxFindDialogTemplate is the program's templates (res/), not a back end's.
struct CDialogProbe : CDialog
{
    static void TakeAll(std::vector<ContractFunction>& list)
    {
        Take(list, "CDataExchange::PrepareEditCtrl", &CDataExchange::PrepareEditCtrl);
        Take(list, "CDataExchange::Fail", &CDataExchange::Fail);
        Take(list, "DDX_Control", &DDX_Control);
        Take<void (*)(CDataExchange*, int, UINT&)>(list, "DDX_Text(UINT&)", &DDX_Text);
        Take<void (*)(CDataExchange*, int, double&)>(list, "DDX_Text(double&)", &DDX_Text);
        Take(list, "DDV_MinMaxUInt", &DDV_MinMaxUInt);
        Take(list, "DDV_MinMaxDouble", &DDV_MinMaxDouble);
        Take(list, "CDialog::DoModal", +[](CDialog* p) { return p->CDialog::DoModal(); });
        Take(list, "CDialog::EndDialog", &CDialog::EndDialog);
        Take(list, "CDialog::UpdateData", &CDialog::UpdateData);
        Take(list, "CDialog::GetDlgItem", &CDialog::GetDlgItem);
        Take(list, "CDialog::GotoDlgCtrl", &CDialog::GotoDlgCtrl);
        Take(list, "CDialog::OnInitDialog", +[](CDialogProbe* p) { return p->CDialog::OnInitDialog(); });
        Take(list, "CDialog::OnOK", +[](CDialogProbe* p) { p->CDialog::OnOK(); });
        Take(list, "CDialog::OnCancel", +[](CDialogProbe* p) { p->CDialog::OnCancel(); });
        Take(list, "CDialog::OnCmdMsg", +[](CDialogProbe* p) { return p->CDialog::OnCmdMsg(IDOK, BN_CLICKED); });
        Take(list, "CDialog::OnCommand", +[](CDialogProbe* p) { return p->CDialog::OnCommand(0, 0); });
        Take(list, "CDialog::OnNotify", +[](CDialogProbe* p) { return p->CDialog::OnNotify(0, 0, nullptr); });
        Take(list, "CDialog::GetDefID", &CDialog::GetDefID);
        Take(list, "CDialog::GetTemplate", &CDialog::GetTemplate);
    }
};
}   // namespace
// clang-format on

// Lists the functions; fails if one has no address, which a linked function always has.
int main()
{
    std::vector<ContractFunction> list;
    CWndProbe::TakeAll(list);
    CDialogProbe::TakeAll(list);
    int nMissing = 0;
    for (const ContractFunction& f : list)
    {
        void* p = nullptr;
        std::memcpy(&p, f.address, sizeof p);
        if (p == nullptr)
        {
            std::printf("no address: %s\n", f.pszName);
            ++nMissing;
        }
    }
    std::printf("%zu contract functions linked\n", list.size() - static_cast<std::size_t>(nMissing));
    return nMissing == 0 ? 0 : 1;
}
