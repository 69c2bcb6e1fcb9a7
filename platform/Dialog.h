#pragma once
// Dialogs: what the settings dialog asks of the platform. A dialog is built from its template
// (res/), runs modally, exchanges its fields with its edits through the DDX_/DDV_ routines below,
// and hears from its controls through OnCommand and OnDeltaPos.
//
// The back ends implement this part of the contract together with the settings dialog; until
// then nothing in the program calls it.

#include "platform/Types.h"
#include "platform/WinDefs.h"
#include "platform/Wnd.h"

class CDialog;

// What an arrow pair (Win32's up-down control) reports for one step. The upper arrow reports a
// negative iDelta, the lower one a positive iDelta; only the sign is meaningful.
struct CUpDownDelta
{
    int iPos;
    int iDelta;
};

// One data exchange, in either direction. While it runs, the dialog ignores the notifications of
// its controls, so that the exchange's own messages and focus moves start no handler.
class CDataExchange
{
public:
    CDataExchange(CDialog* pDlgWnd, bool bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    // Remembers the edit that a failing check puts the focus into.
    void PrepareEditCtrl(int nIDC) { m_nIDLastControl = nIDC; }
    // Ends the exchange: the focus goes into the remembered edit with its text selected, and
    // UpdateData returns false. It does not return to its caller.
    [[noreturn]] void Fail();

    bool m_bSaveAndValidate;   // true: controls to fields
    CDialog* m_pDlgWnd;
    int m_nIDLastControl = 0;
};

// Binds a control object to the dialog's control, on the first exchange.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// Unsigned fields show in decimal; doubles in the general format with up to 15 significant
// digits. Text that does not parse brings the platform's parse message and Fail().
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
void DDX_Text(CDataExchange* pDX, int nIDC, double& value);
// A value outside [minVal, maxVal] brings the range message naming both bounds, and Fail();
// nothing happens while fields go to the controls.
void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal);
void DDV_MinMaxDouble(CDataExchange* pDX, const double& value, double minVal, double maxVal);

class CDialog : public CWnd
{
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr)
        : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd)
    {
    }

    // Runs the dialog until EndDialog; returns its result, or -1 when the template is missing.
    // Timers of other windows keep ticking inside, as in every modal loop.
    virtual int DoModal();
    void EndDialog(int nResult);

    // Runs DoDataExchange; false when a check failed.
    bool UpdateData(bool bSaveAndValidate = true);

    CWnd* GetDlgItem(int nID) const;
    void GotoDlgCtrl(CWnd* pWndCtrl);   // focus, with an edit's text selected

protected:
    virtual bool OnInitDialog();         // the first exchange towards the controls
    virtual void OnOK();                 // UpdateData(true), then EndDialog(IDOK) if it passed
    virtual void OnCancel();             // EndDialog(IDCANCEL)
    virtual void DoDataExchange(CDataExchange* /*pDX*/) {}

    // Control notifications (BN_CLICKED, EN_KILLFOCUS): true when handled. The default routes
    // IDOK to OnOK and IDCANCEL to OnCancel.
    virtual bool OnCommand(UINT nID, UINT nCode);
    // An arrow pair's step (UDN_DELTAPOS); *pResult 0 lets the control move its own position.
    virtual bool OnDeltaPos(UINT /*nID*/, const CUpDownDelta& /*delta*/, long* /*pResult*/) { return false; }

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    bool m_bInDataExchange = false;   // notifications are ignored while true
};
