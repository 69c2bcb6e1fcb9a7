#pragma once
// The settings dialog: seven edits with arrows, a live snow preview, OK, Cancel, defaults and
// "apply to preview". Every change reaches the preview at once: leaving an edit, an arrow click
// and the defaults button apply it; OK hands the seven fields to the caller, which stores them.

#include "platform/Dialog.h"
#include "snow/SnowWnd.h"

#include <cstdint>

class CSettingsDlg : public CDialog
{
public:
    explicit CSettingsDlg(CWnd* pParent = nullptr);

    CEdit m_editPixelRatio;
    CEdit m_editGravitation;
    CEdit m_editDeltaTime;
    CEdit m_editPeriod;
    CEdit m_editCount;
    CEdit m_editResistance;
    CEdit m_editFlutter;

    // The settings as the dialog shows them; after IDOK, the ones to store.
    UINT m_nPeriod;
    UINT m_nCount;
    double m_dResistance;
    double m_dPixelRatio;
    double m_dFlutter;
    double m_dDeltaTime;
    double m_dGravitation;

    // The seven fields at once: what OK hands to the caller, and what the dialog shows next.
    SnowParams GetParams() const;
    void SetParams(const SnowParams& params);

    const CSnowWnd& GetPreview() const { return m_wndPreview; }

protected:
    friend struct CSettingsDlgMap;

    IconHandle m_hIcon;
    CSnowWnd m_wndPreview;   // loads the profile when made; the dialog starts from its values

    void DoDataExchange(CDataExchange* pDX) override;
    bool OnInitDialog() override;
    void OnCancel() override;
    void OnSysCommand(UINT nID) override;
    void OnPaint() override;
    IconHandle OnQueryDragIcon() override;
    bool OnCmdMsg(UINT nID, UINT nCode) override;
    bool OnNotifyMsg(UINT nID, CNmHdr* pNMHDR, std::intptr_t* pResult) override;

    // Leaving an edit: the whole exchange, then the field's own lower bound, the preview, the redisplay.
    void OnKillfocusPeriod();
    void OnKillfocusCount();
    void OnKillfocusPixelRatio();
    void OnKillfocusDeltaTime();
    void OnKillfocusGravitation();
    void OnKillfocusResistance();
    void OnKillfocusFlutter();

    // An arrow click: the whole exchange, one step, then as when leaving the edit.
    void OnDeltaposPeriodSpin(CNmHdr* pNMHDR, std::intptr_t* pResult);
    void OnDeltaposCountSpin(CNmHdr* pNMHDR, std::intptr_t* pResult);
    void OnDeltaposPixelRatioSpin(CNmHdr* pNMHDR, std::intptr_t* pResult);
    void OnDeltaposDeltaTimeSpin(CNmHdr* pNMHDR, std::intptr_t* pResult);
    void OnDeltaposGravitationSpin(CNmHdr* pNMHDR, std::intptr_t* pResult);
    void OnDeltaposResistanceSpin(CNmHdr* pNMHDR, std::intptr_t* pResult);
    void OnDeltaposFlutterSpin(CNmHdr* pNMHDR, std::intptr_t* pResult);

    // A field's lower bound, its value to the preview, and every edit shown again.
    void ApplyPeriod();
    void ApplyCount();
    void ApplyPixelRatio();
    void ApplyDeltaTime();
    void ApplyGravitation();
    void ApplyResistance();
    void ApplyFlutter();

    void OnDefault();   // the seven defaults, each applied at once, without reading the edits

private:
    // One arrow click on a field: the whole exchange, one step, then the field's apply step.
    template <class T>
    void Spin(T& value, T step, void (CSettingsDlg::*pfnApply)(), const CNmHdr* pNMHDR, std::intptr_t* pResult);
};
