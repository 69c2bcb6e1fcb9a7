// Headless dialogs: the template's controls as child windows, a modal run driven by a script,
// and the user's input on edits, buttons and arrows, handed to the shared dialog manager.

#include "platform/Dialog.h"
#include "platform/headless/HeadlessImpl.h"

#include <algorithm>

namespace
{
constexpr int kPixelsPerDialogUnit = 2;

CRect FromDialogUnits(int x, int y, int cx, int cy)
{
    return CRect(x * kPixelsPerDialogUnit, y * kPixelsPerDialogUnit, (x + cx) * kPixelsPerDialogUnit,
                 (y + cy) * kPixelsPerDialogUnit);
}

CWndImpl* ChildWithID(const CWndImpl* pParent, int nID)
{
    return pParent != nullptr ? pParent->Child(nID) : nullptr;
}
}   // namespace

int AfxRunModalDialog(CDialog* pDlg, const DialogTemplate* pTemplate)
{
    CWinAppImpl& s = HeadlessState();
    if (!pDlg->CreateEx(pTemplate->dwExStyle, "#32770", pTemplate->lpszTitle, pTemplate->dwStyle,
                        FromDialogUnits(pTemplate->x, pTemplate->y, pTemplate->cx, pTemplate->cy), pDlg->m_pParentWnd,
                        0))
        return -1;
    CWndImpl* pDlgImpl = CWndImpl::Of(pDlg);
    pDlgImpl->bDialog = true;
    for (std::size_t i = 0; i < pTemplate->nControls; ++i)
    {
        const DialogControl& c = pTemplate->pControls[i];
        auto pControl = std::make_unique<CWnd>();
        if (!pControl->CreateEx(c.dwExStyle, c.lpszClass, c.lpszText, c.dwStyle, FromDialogUnits(c.x, c.y, c.cx, c.cy),
                                pDlg, static_cast<UINT>(c.nID)))
            continue;
        CWndImpl* pControlImpl = CWndImpl::Of(pControl.get());
        pControlImpl->pOwnObject = std::move(pControl);
    }

    const WindowHandle hDlg = pDlg->GetSafeHwnd();
    if (pDlgImpl->Dispatch(WM_INITDIALOG, 0, 0) != 0 && s.Find(hDlg) == pDlgImpl)
        s.FocusFirstTabStop(pDlgImpl);
    if (!pDlg->m_bEnded && !s.modalScripts.empty())
    {
        const auto script = std::move(s.modalScripts.front());
        s.modalScripts.pop_front();
        script(hDlg);
    }
    if (!pDlg->m_bEnded && pDlg->IsWindow())
        Headless::PressEscape(hDlg);
    if (pDlg->IsWindow())
        pDlg->DestroyWindow();
    return pDlg->m_nModalResult;
}

void AfxEndModalDialog(CDialog* pDlg)
{
    if (CWndImpl* pDlgImpl = CWndImpl::Of(pDlg); pDlgImpl != nullptr)
        HeadlessState().LeaveDialog(pDlgImpl);
}

namespace Headless
{
void PushModalScript(std::function<void(WindowHandle hDlg)> script)
{
    HeadlessState().modalScripts.push_back(std::move(script));
}

WindowHandle DlgItem(WindowHandle hDlg, int nID)
{
    const CWndImpl* pChild = ChildWithID(HeadlessState().Find(hDlg), nID);
    return pChild != nullptr ? pChild->hWnd : 0;
}

std::string WindowText(WindowHandle hWnd)
{
    const CWndImpl* pImpl = HeadlessState().Find(hWnd);
    return pImpl != nullptr ? pImpl->text : std::string();
}

WindowHandle Focus()
{
    return HeadlessState().hFocus;
}

bool TextSelected(WindowHandle hEdit)
{
    const CWndImpl* pImpl = HeadlessState().Find(hEdit);
    return pImpl != nullptr && pImpl->bSelectedAll;
}

void TypeText(WindowHandle hEdit, const std::string& text)
{
    if (CWndImpl* pImpl = HeadlessState().Find(hEdit); pImpl != nullptr)
    {
        pImpl->text = text;
        pImpl->bSelectedAll = false;
    }
}

void ClickButton(WindowHandle hDlg, int nID)
{
    if (CWndImpl* pButton = ChildWithID(HeadlessState().Find(hDlg), nID); pButton != nullptr)
        HeadlessState().ClickButton(pButton);
}

void HoldArrow(WindowHandle hDlg, int nID, bool bUpper, std::uint64_t ms)
{
    CWinAppImpl& s = HeadlessState();
    if (CWndImpl* pArrows = ChildWithID(s.Find(hDlg), nID); pArrows != nullptr)
    {
        const std::size_t nBoxes = s.messageBoxes.size();
        s.PressArrow(pArrows, bUpper);
        if (ms > 0)
            Advance(ms);
        // A box that opened meanwhile got the release, not the arrows.
        if (s.messageBoxes.size() == nBoxes)
            s.ReleaseArrow();
    }
}

void ClickArrow(WindowHandle hDlg, int nID, bool bUpper)
{
    HoldArrow(hDlg, nID, bUpper, 0);
}

void PressTab(WindowHandle hDlg, bool bBackward)
{
    if (CWndImpl* pDlg = HeadlessState().Find(hDlg); pDlg != nullptr)
        HeadlessState().PressTab(pDlg, bBackward);
}

void PressEscape(WindowHandle hDlg)
{
    if (CWndImpl* pDlg = HeadlessState().Find(hDlg); pDlg != nullptr)
        HeadlessState().PressEscape(pDlg);
}

void PressEnter(WindowHandle hDlg)
{
    if (CWndImpl* pDlg = HeadlessState().Find(hDlg); pDlg != nullptr)
        HeadlessState().PressEnter(pDlg);
}

bool PressKey(WindowHandle hDlg, char chLetter, bool bAlt)
{
    CWndImpl* pDlg = HeadlessState().Find(hDlg);
    return pDlg != nullptr && HeadlessState().PressMnemonic(pDlg, chLetter, bAlt);
}

void PressMnemonic(WindowHandle hDlg, char chLetter)
{
    PressKey(hDlg, chLetter, true);
}

int ArrowPosition(WindowHandle hArrows)
{
    const CWndImpl* pImpl = HeadlessState().Find(hArrows);
    return pImpl != nullptr ? pImpl->nUpDownPos : 0;
}

std::vector<MenuItem> SystemMenu(WindowHandle hWnd)
{
    std::vector<MenuItem> items;
    if (const CWndImpl* pImpl = HeadlessState().Find(hWnd); pImpl != nullptr)
        for (const auto& item : pImpl->systemMenu.items)
            items.push_back({item.nFlags, item.nID, item.text});
    return items;
}
}   // namespace Headless
