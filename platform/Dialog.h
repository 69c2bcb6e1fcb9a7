#pragma once
// Dialogs: what a settings dialog asks of the platform. A dialog is built from its template, runs
// modally, exchanges its fields with its edits through the DDX_/DDV_ routines, and hears from its
// controls through OnCmdMsg (buttons, edits) and OnNotifyMsg (arrow pairs).

#include "platform/Types.h"
#include "platform/WinDefs.h"
#include "platform/Wnd.h"

#include <cstddef>

class CDialog;

// A dialog template: positions and sizes in dialog units, as resource scripts write them. Every
// back end builds its dialogs from these; the Windows resource script is written from them too.
struct DialogControl
{
    const char* lpszClass;   // "EDIT", "BUTTON", "STATIC", "msctls_updown32"
    int nID;
    const char* lpszText;
    int x, y, cx, cy;
    UINT dwStyle;
    UINT dwExStyle;
};

struct DialogTemplate
{
    UINT nID;
    const char* lpszTitle;
    UINT dwStyle;
    UINT dwExStyle;
    int x, y, cx, cy;
    const char* lpszFace;
    int nPointSize;
    int nWeight;
    bool bItalic;
    int nCharSet;
    const DialogControl* pControls;
    std::size_t nControls;
};

// The program's dialog templates, by resource id; nullptr for an id it has none for.
const DialogTemplate* AfxFindDialogTemplate(UINT nID);

// What WM_NOTIFY points to: Win32's NMHDR and NMUPDOWN, field for field, so that the Windows back
// end hands the system's own structures through.
struct CNmHdr
{
    WindowHandle hwndFrom;
    std::uintptr_t idFrom;
    UINT code;
};

// An arrow pair's step (UDN_DELTAPOS): the upper arrow reports a negative iDelta, the lower one a
// positive iDelta.
struct CNmUpDown
{
    CNmHdr hdr;
    int iPos;
    int iDelta;
};

// One data exchange, in either direction.
class CDataExchange
{
public:
    CDataExchange(CDialog* pDlgWnd, bool bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    // Remembers the edit that a failing check puts the focus into.
    CWnd* PrepareEditCtrl(int nIDC);
    // Ends the exchange: the focus goes into the remembered edit, and UpdateData returns false.
    [[noreturn]] void Fail();

    bool m_bSaveAndValidate;   // true: controls to fields
    CDialog* m_pDlgWnd;
    CWnd* m_pLastControl = nullptr;
};

// Binds a control object to the dialog's control, on the first exchange; later ones leave it.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// Unsigned fields show in decimal, doubles with up to 15 significant digits. Text that does not
// parse as that kind of number (an empty text, a sign in an unsigned field, anything trailing)
// brings the parse message and fails the exchange; the field keeps its value.
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
void DDX_Text(CDataExchange* pDX, int nIDC, double& value);
// While controls go to fields, a value outside [minVal, maxVal] brings a message naming both
// bounds and fails the exchange; the field keeps the value.
void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal);
void DDV_MinMaxDouble(CDataExchange* pDX, const double& value, double minVal, double maxVal);

// The dialog's own edits: windows with text.
class CEdit : public CWnd
{
};

class CDialog : public CWnd
{
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr)
        : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd)
    {
    }

    // A dialog from a template of the caller's instead of the program's resources.
    void InitModalIndirect(const DialogTemplate* pTemplate) { m_pTemplate = pTemplate; }

    // Runs the dialog until EndDialog and returns its result, or -1 at once when there is no
    // template. The timers of other windows keep ticking inside, as in every modal loop.
    virtual int DoModal();
    // Ends the modal run with nResult once the current handler returns; the focus leaves the
    // dialog's controls (an edit that held it says so) before the window goes.
    void EndDialog(int nResult);

    // Runs DoDataExchange; false when a check failed. While it runs, the dialog ignores its
    // controls' notifications, so that the exchange's own messages and focus moves start no handler.
    bool UpdateData(bool bSaveAndValidate = true);

    CWnd* GetDlgItem(int nID) const;
    void GotoDlgCtrl(CWnd* pWndCtrl);   // the focus, with an edit's text selected

    // The button the Enter key presses while the focus is not on a push button. The template marks
    // three buttons as default push buttons; Enter accepts the dialog, as users expect, when it has OK.
    UINT GetDefID() const;

    // The template this dialog runs: the caller's own, or the program's resource; nullptr when neither.
    const DialogTemplate* GetTemplate() const;

    // EndDialog has been called: the window is on its way out, and its controls take the focus no more.
    bool HasEnded() const { return m_bEnded; }

protected:
    virtual bool OnInitDialog();   // the first exchange towards the controls; true: focus the first tab stop
    virtual void OnOK();           // UpdateData(true), then EndDialog(IDOK) if it passed
    virtual void OnCancel();       // EndDialog(IDCANCEL)
    virtual void DoDataExchange(CDataExchange* /*pDX*/) {}

    // The dialog's message map for its controls: a button's BN_CLICKED or an edit's EN_KILLFOCUS.
    // true when handled. The default sends IDOK to OnOK and IDCANCEL to OnCancel.
    virtual bool OnCmdMsg(UINT nID, UINT nCode);
    // A control's WM_NOTIFY (an arrow pair's UDN_DELTAPOS); true when handled. For an arrow pair,
    // *pResult 0 lets the control move its own position.
    virtual bool OnNotifyMsg(UINT /*nID*/, CNmHdr* /*pNMHDR*/, std::intptr_t* /*pResult*/) { return false; }

    // Control notifications, ignored while an exchange runs.
    bool OnCommand(std::uintptr_t wParam, std::intptr_t lParam) override;
    bool OnNotify(std::uintptr_t wParam, std::intptr_t lParam, std::intptr_t* pResult) override;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    const DialogTemplate* m_pTemplate = nullptr;

private:
    friend struct CWndRouting;   // delivers WM_INITDIALOG
    friend int AfxRunModalDialog(CDialog* pDlg, const DialogTemplate* pTemplate);

    bool m_bInDataExchange = false;
    int m_nModalResult = 0;
    bool m_bEnded = false;
};
