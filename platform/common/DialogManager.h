#pragma once
// The dialog manager of the back ends that have no native one (headless, Qt): every decision that
// Windows' dialog manager makes for the program's dialogs, made once. The first focus, Tab, Enter,
// Escape, mnemonics, the click that a message box cancels, the notifications with the control's
// handle, and an arrow pair's press, hold and release. A back end only translates its native input
// into these calls and lets its native side follow; Win32 runs the system's own dialog manager.
//
// The back end's application state derives from CWndTable<Impl> and from this, and supplies:
//   void NativeFocus(Impl* pNew, Impl* pOld)           the toolkit's focus follows the dialog's
//   void NativeSelectAll(Impl* pEdit)                  the edit shows its whole text selected
//   void NativeArrowHold(Impl* pArrows, UINT nMs)      step again after nMs; 0: the hold is over
//   bool NativePointerOver(Impl* pArrows, bool bUpper) the pointer is over that arrow now

#include "platform/Dialog.h"
#include "platform/WinDefs.h"
#include "platform/WinMessages.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

template <class Self, class Impl>
class CDialogManager
{
public:
    // An arrow held down steps again after this pause, then at this rate, as Windows' does.
    static constexpr UINT kArrowFirstRepeatMs = 500;
    static constexpr UINT kArrowRepeatMs = 50;

    // Moves the keyboard focus to pImpl (nullptr: to none of the program's windows); an edit that
    // loses it tells its dialog at once.
    void SetFocusTo(Impl* pImpl)
    {
        Impl* pOld = Self_().Find(Self_().hFocus);
        if (pOld == pImpl)
            return;
        Self_().hFocus = pImpl != nullptr ? pImpl->hWnd : 0;
        const WindowHandle hOld = pOld != nullptr ? pOld->hWnd : 0;
        Self_().NativeFocus(pImpl, pOld);
        NotifyKillFocus(Self_().Find(hOld));
    }

    // GotoDlgCtrl: the focus, by the program's rules, with an edit's text selected.
    void GotoDlgCtrl(Impl* pCtrl)
    {
        if (pCtrl == nullptr || pCtrl->pWnd == nullptr)
            return;
        const WindowHandle hCtrl = pCtrl->hWnd;
        pCtrl->pWnd->SetFocus();
        if (Impl* pNow = Self_().Find(hCtrl); pNow != nullptr && Self_().hFocus == hCtrl && pNow->className == "EDIT")
            Self_().NativeSelectAll(pNow);
    }

    // After WM_INITDIALOG said so: the focus on the first control that Tab can reach.
    void FocusFirstTabStop(Impl* pDlg) { GotoDlgCtrl(NextTabStop(pDlg, false)); }

    // The dialog's modal run ends: the focus leaves its controls, and an edit that held it says so.
    void LeaveDialog(Impl* pDlg)
    {
        if (const Impl* pFocus = Self_().Find(Self_().hFocus); pFocus != nullptr && pFocus->pParent == pDlg)
            SetFocusTo(nullptr);
    }

    // Tab and Shift+Tab: the next or previous control that takes the focus, round the template's order.
    void PressTab(Impl* pDlg, bool bBackward) { GotoDlgCtrl(NextTabStop(pDlg, bBackward)); }

    // Enter: a focused push button presses itself; elsewhere the dialog's default button is pressed.
    void PressEnter(Impl* pDlg)
    {
        Impl* pFocus = FocusedControl(pDlg);
        if (pFocus != nullptr && IsPushButton(pFocus))
            return NotifyClick(pDlg, pFocus->nID, pFocus);
        const int nID = static_cast<int>(static_cast<CDialog*>(pDlg->pWnd)->GetDefID());
        Impl* pDefault = pDlg->Child(nID);
        if (pDefault == nullptr || IsEnabled(pDefault))
            NotifyClick(pDlg, nID, pDefault);
    }

    // Escape: the Cancel command, as from the Cancel button, whether the dialog has one or not.
    void PressEscape(Impl* pDlg) { NotifyClick(pDlg, IDCANCEL, pDlg->Child(IDCANCEL)); }

    // A letter typed with Alt, or alone while the focus is not in an edit: the button whose text
    // marks that letter with '&' ("&&" is an ampersand) is clicked. True when the dialog took the key.
    bool PressMnemonic(Impl* pDlg, char chLetter, bool bAlt)
    {
        const Impl* pFocus = FocusedControl(pDlg);
        if (!bAlt && pFocus != nullptr && pFocus->className == "EDIT")
            return false;
        for (Impl* pChild : pDlg->children)
        {
            if (pChild->className == "BUTTON" && IsShown(pChild) && Lower(MnemonicOf(pChild->text)) == Lower(chLetter))
            {
                ClickButton(pChild);
                return true;
            }
        }
        return bAlt;
    }

    // The mouse pressed on a control: it takes the focus if it can. False when a message box that
    // the focus move opened took the mouse: then the press is lost, as the box got its release.
    bool PressControl(Impl* pCtrl)
    {
        const unsigned nCancels = m_nCancelModes;
        if (TakesFocus(pCtrl))
            SetFocusTo(pCtrl);
        return m_nCancelModes == nCancels;
    }

    // A whole click on a button (a mnemonic, or a press and its release): BN_CLICKED, unless a box
    // took the mouse while the button took the focus.
    void ClickButton(Impl* pButton)
    {
        const WindowHandle hButton = pButton->hWnd;
        if (!PressControl(pButton))
            return;
        if (Impl* pNow = Self_().Find(hButton); pNow != nullptr && pNow->pParent != nullptr)
            NotifyClick(pNow->pParent, pNow->nID, pNow);
    }

    // A button's click as its control reports it, with the control's handle.
    static void NotifyClick(Impl* pDlg, int nID, const Impl* pFrom)
    {
        pDlg->Dispatch(WM_COMMAND,
                       static_cast<std::uintptr_t>(nID & 0xFFFF) | (static_cast<std::uintptr_t>(BN_CLICKED) << 16),
                       static_cast<std::intptr_t>(pFrom != nullptr ? pFrom->hWnd : 0));
    }

    // An arrow pair pressed: one step now, then a step per repeat for as long as the hold lasts.
    // The arrows never take the focus.
    void PressArrow(Impl* pArrows, bool bUpper)
    {
        CancelArrowHold();
        m_hHeldArrows = pArrows->hWnd;
        m_bHeldUpper = bUpper;
        if (Step(pArrows, bUpper) && m_hHeldArrows == pArrows->hWnd)
            Self_().NativeArrowHold(pArrows, kArrowFirstRepeatMs);
    }

    // The repeat of a held arrow fell due: a step if the pointer is still over that arrow.
    void RepeatArrow(Impl* pArrows)
    {
        if (m_hHeldArrows != pArrows->hWnd)
            return;
        Self_().NativeArrowHold(pArrows, kArrowRepeatMs);
        if (Self_().NativePointerOver(pArrows, m_bHeldUpper))
            Step(pArrows, m_bHeldUpper);
    }

    void ReleaseArrow() { CancelArrowHold(); }

    // Whether this arrow of the pair is held down now, for drawing it pressed.
    bool IsArrowHeld(const Impl* pArrows, bool bUpper) const
    {
        return m_hHeldArrows == pArrows->hWnd && m_bHeldUpper == bUpper;
    }

    // Something took the mouse and the keyboard from the dialogs (a message box opening, the window
    // losing activation): an arrow's hold ends, and a click in progress is lost.
    void CancelMode()
    {
        ++m_nCancelModes;
        CancelArrowHold();
    }

    // The edit tells its dialog that it lost the focus, with its handle, as Windows' edits do.
    static void NotifyKillFocus(Impl* pOld)
    {
        if (pOld != nullptr && pOld->className == "EDIT" && pOld->pParent != nullptr && !pOld->pParent->bDestroying)
            pOld->pParent->Dispatch(WM_COMMAND,
                                    static_cast<std::uintptr_t>(pOld->nID & 0xFFFF) |
                                        (static_cast<std::uintptr_t>(EN_KILLFOCUS) << 16),
                                    static_cast<std::intptr_t>(pOld->hWnd));
    }

    // The letter a control's text marks with '&'; 0 when it marks none.
    static char MnemonicOf(std::string_view text)
    {
        for (std::size_t i = 0; i + 1 < text.size(); ++i)
        {
            if (text[i] != '&')
                continue;
            if (text[i + 1] != '&')
                return text[i + 1];
            ++i;
        }
        return 0;
    }

private:
    Self& Self_() { return static_cast<Self&>(*this); }

    static char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
    static bool IsShown(const Impl* p) { return (p->dwStyle & WS_VISIBLE) != 0 && IsEnabled(p); }
    static bool IsEnabled(const Impl* p) { return (p->dwStyle & WS_DISABLED) == 0; }
    static bool TakesFocus(const Impl* p) { return IsShown(p) && (p->className == "EDIT" || p->className == "BUTTON"); }
    static bool IsPushButton(const Impl* p)
    {
        return p->className == "BUTTON" &&
               ((p->dwStyle & 0xF) == BS_PUSHBUTTON || (p->dwStyle & 0xF) == BS_DEFPUSHBUTTON);
    }

    Impl* FocusedControl(const Impl* pDlg)
    {
        Impl* pFocus = Self_().Find(Self_().hFocus);
        return pFocus != nullptr && pFocus->pParent == pDlg ? pFocus : nullptr;
    }

    Impl* NextTabStop(Impl* pDlg, bool bBackward)
    {
        std::vector<Impl*> stops;
        for (Impl* pChild : pDlg->children)
            if ((pChild->dwStyle & WS_TABSTOP) != 0 && IsShown(pChild))
                stops.push_back(pChild);
        if (stops.empty())
            return nullptr;
        if (bBackward)
            std::reverse(stops.begin(), stops.end());
        const auto it = std::find(stops.begin(), stops.end(), FocusedControl(pDlg));
        return it == stops.end() || std::next(it) == stops.end() ? stops.front() : *std::next(it);
    }

    // One UDN_DELTAPOS; false when the arrows went with it. The default range runs from 100 down
    // to 0, so the upper arrow lowers the position.
    bool Step(Impl* pArrows, bool bUpper)
    {
        const WindowHandle hArrows = pArrows->hWnd;
        const int nID = pArrows->nID;
        if (pArrows->pParent == nullptr)
            return false;
        CNmUpDown notify{
            {hArrows, static_cast<std::uintptr_t>(nID), UDN_DELTAPOS}, pArrows->nUpDownPos, bUpper ? -1 : 1};
        const std::intptr_t lResult = pArrows->pParent->Dispatch(WM_NOTIFY, static_cast<std::uintptr_t>(nID),
                                                                 reinterpret_cast<std::intptr_t>(&notify));
        Impl* pNow = Self_().Find(hArrows);
        if (pNow != nullptr && lResult == 0)
            pNow->nUpDownPos = std::clamp(pNow->nUpDownPos + notify.iDelta, 0, 100);
        return pNow != nullptr;
    }

    void CancelArrowHold()
    {
        const WindowHandle hHeld = m_hHeldArrows;
        m_hHeldArrows = 0;
        if (Impl* pHeld = Self_().Find(hHeld); pHeld != nullptr)
            Self_().NativeArrowHold(pHeld, 0);
    }

    WindowHandle m_hHeldArrows = 0;
    bool m_bHeldUpper = false;
    unsigned m_nCancelModes = 0;   // boxes opened and the like so far: a press that saw one is lost
};
