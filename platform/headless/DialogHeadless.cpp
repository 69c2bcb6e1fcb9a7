// Headless dialogs: the template's controls as child windows, a modal run driven by a script,
// and the user's input on edits, buttons and arrows.

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

bool IsTabStop(const CWndImpl* pImpl)
{
    return (pImpl->dwStyle & WS_TABSTOP) != 0 && (pImpl->dwStyle & WS_VISIBLE) != 0;
}
}   // namespace

int AfxRunModalDialog(CDialog* pDlg, const DialogTemplate* pTemplate)
{
    CWinAppImpl& s = HeadlessState();
    if (!pDlg->CreateEx(pTemplate->dwExStyle, "#32770", pTemplate->lpszTitle, pTemplate->dwStyle,
                        FromDialogUnits(pTemplate->x, pTemplate->y, pTemplate->cx, pTemplate->cy), pDlg->m_pParentWnd, 0))
        return -1;
    CWndImpl* pDlgImpl = CWndImpl::Of(pDlg);
    pDlgImpl->bDialog = true;
    for (std::size_t i = 0; i < pTemplate->nControls; ++i)
    {
        const DialogControl& c = pTemplate->pControls[i];
        auto pControl = std::make_unique<CWnd>();
        if (!pControl->CreateEx(c.dwExStyle, c.lpszClass, c.lpszText, c.dwStyle, FromDialogUnits(c.x, c.y, c.cx, c.cy), pDlg,
                                static_cast<UINT>(c.nID)))
            continue;
        CWndImpl* pControlImpl = CWndImpl::Of(pControl.get());
        pControlImpl->pOwnObject = std::move(pControl);
    }

    const WindowHandle hDlg = pDlg->GetSafeHwnd();
    if (pDlgImpl->Dispatch(WM_INITDIALOG, 0, 0) != 0)
    {
        for (CWndImpl* pChild : pDlgImpl->children)
        {
            if (IsTabStop(pChild))
            {
                s.SetFocusTo(pChild);
                pChild->bSelectedAll = pChild->className == "EDIT";
                break;
            }
        }
    }
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
    // The dialog disappears: the focus leaves its controls, and an edit that held it says so.
    CWinAppImpl& s = HeadlessState();
    for (CWndImpl* pFocus = s.Find(s.hFocus); pFocus != nullptr; pFocus = pFocus->pParent)
    {
        if (pFocus == CWndImpl::Of(pDlg))
        {
            s.SetFocusTo(nullptr);
            break;
        }
    }
}

CWnd* CDialog::GetDlgItem(int nID) const
{
    CWndImpl* pChild = ChildWithID(CWndImpl::Of(this), nID);
    return pChild != nullptr ? pChild->pWnd : nullptr;
}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl)
{
    if (pWndCtrl == nullptr)
        return;
    pWndCtrl->SetFocus();
    // An edit the focus lands in shows its whole text selected, ready to be typed over.
    CWndImpl* pImpl = CWndImpl::Of(pWndCtrl);
    if (pImpl != nullptr && pImpl->hWnd == HeadlessState().hFocus && pImpl->className == "EDIT")
        pImpl->bSelectedAll = true;
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
    CWinAppImpl& s = HeadlessState();
    CWndImpl* pButton = ChildWithID(s.Find(hDlg), nID);
    if (pButton == nullptr)
        return;
    // Pressing takes the focus, which may run the handler of the edit that loses it; a message
    // box from that handler takes the mouse away, and the button never sees its release.
    const std::size_t nBoxes = s.messageBoxes.size();
    s.SetFocusTo(pButton);
    if (s.messageBoxes.size() == nBoxes && s.Find(hDlg) != nullptr)
        s.Find(hDlg)->Dispatch(WM_COMMAND, static_cast<std::uintptr_t>(nID & 0xFFFF) | (BN_CLICKED << 16), 0);
}

void ClickArrow(WindowHandle hDlg, int nID, bool bUpper)
{
    CWinAppImpl& s = HeadlessState();
    CWndImpl* pDlg = s.Find(hDlg);
    CWndImpl* pArrows = ChildWithID(pDlg, nID);
    if (pArrows == nullptr)
        return;
    // The default range runs from 100 down to 0, so the upper arrow lowers the position.
    CNmUpDown notify{{pArrows->hWnd, static_cast<std::uintptr_t>(nID), UDN_DELTAPOS}, pArrows->nUpDownPos, bUpper ? -1 : 1};
    const std::intptr_t lResult = pDlg->Dispatch(WM_NOTIFY, static_cast<std::uintptr_t>(nID), reinterpret_cast<std::intptr_t>(&notify));
    if (lResult == 0 && (pArrows = ChildWithID(s.Find(hDlg), nID)) != nullptr)
        pArrows->nUpDownPos = std::clamp(pArrows->nUpDownPos + notify.iDelta, 0, 100);
}

void PressTab(WindowHandle hDlg)
{
    CWinAppImpl& s = HeadlessState();
    const CWndImpl* pDlg = s.Find(hDlg);
    if (pDlg == nullptr)
        return;
    std::vector<CWndImpl*> stops;
    for (CWndImpl* pChild : pDlg->children)
        if (IsTabStop(pChild))
            stops.push_back(pChild);
    if (stops.empty())
        return;
    auto it = std::find_if(stops.begin(), stops.end(), [&s](const CWndImpl* p) { return p->hWnd == s.hFocus; });
    CWndImpl* pNext = it == stops.end() || std::next(it) == stops.end() ? stops.front() : *std::next(it);
    const WindowHandle hNext = pNext->hWnd;
    s.SetFocusTo(pNext);
    if (CWndImpl* pNow = s.Find(hNext); pNow != nullptr && s.hFocus == hNext)
        pNow->bSelectedAll = pNow->className == "EDIT";
}

void PressEscape(WindowHandle hDlg)
{
    if (CWndImpl* pDlg = HeadlessState().Find(hDlg); pDlg != nullptr)
        pDlg->Dispatch(WM_COMMAND, static_cast<std::uintptr_t>(IDCANCEL) | (BN_CLICKED << 16), 0);
}

void PressEnter(WindowHandle hDlg)
{
    CWinAppImpl& s = HeadlessState();
    CWndImpl* pDlg = s.Find(hDlg);
    if (pDlg == nullptr)
        return;
    const CWndImpl* pFocus = s.Find(s.hFocus);
    const bool bOnButton = pFocus != nullptr && pFocus->pParent == pDlg && pFocus->className == "BUTTON";
    const UINT nID = bOnButton ? static_cast<UINT>(pFocus->nID) : static_cast<CDialog*>(pDlg->pWnd)->GetDefID();
    pDlg->Dispatch(WM_COMMAND, (nID & 0xFFFF) | (BN_CLICKED << 16), 0);
}

void PressMnemonic(WindowHandle hDlg, char chLetter)
{
    const CWndImpl* pDlg = HeadlessState().Find(hDlg);
    if (pDlg == nullptr)
        return;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (const CWndImpl* pChild : pDlg->children)
    {
        const std::size_t amp = pChild->text.find('&');
        if (pChild->className == "BUTTON" && amp != std::string::npos && amp + 1 < pChild->text.size() &&
            lower(pChild->text[amp + 1]) == lower(chLetter))
        {
            ClickButton(hDlg, pChild->nID);   // as a click: the button takes the focus first
            return;
        }
    }
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
