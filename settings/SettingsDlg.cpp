// The settings dialog: its message map, the data exchange of the seven fields, the handlers that
// check each field and hand it to the live preview, and the defaults.

#include "settings/SettingsDlg.h"

#include "platform/Dc.h"
#include "platform/WinApp.h"
#include "res/Resource.h"
#include "settings/AboutDlg.h"
#include "settings/Checks.h"
#include "snow/SnowParams.h"

#include <algorithm>
#include <climits>
#include <iterator>
#include <type_traits>

namespace
{
// Each field's lower bound and arrow step, as the handlers enforce them. The exchange's ranges,
// which hold OK back, are in DoDataExchange.
constexpr UINT kMinPeriod = 1, kStepPeriod = 1;
constexpr UINT kMinCount = 1, kStepCount = 1;
constexpr double kMinPixelRatio = 50.0, kStepPixelRatio = 1.0;
constexpr double kMinDeltaTime = 0.001, kStepDeltaTime = 0.001;
constexpr double kMinGravitation = 0.1, kStepGravitation = 0.1;
constexpr double kMinResistance = 0.001, kStepResistance = 0.001;
constexpr double kMinFlutter = 0.0, kStepFlutter = 1.0;

int DeltaOf(const CNmHdr* pNMHDR)
{
    return reinterpret_cast<const CNmUpDown*>(pNMHDR)->iDelta;
}
}   // namespace

// The dialog's message map for its fields: each edit's kill-focus handler and its arrows' handler.
struct CSettingsDlgMap
{
    struct FieldEntry
    {
        UINT nEdit;
        UINT nArrows;
        void (CSettingsDlg::*pfnKillFocus)();
        void (CSettingsDlg::*pfnDeltaPos)(CNmHdr*, std::intptr_t*);
    };

    static const FieldEntry* Find(UINT nID, bool bArrows)
    {
        static const FieldEntry kEntries[] = {
            {IDC_PERIOD, IDC_PERIOD_SPIN, &CSettingsDlg::OnKillfocusPeriod, &CSettingsDlg::OnDeltaposPeriodSpin},
            {IDC_COUNT, IDC_COUNT_SPIN, &CSettingsDlg::OnKillfocusCount, &CSettingsDlg::OnDeltaposCountSpin},
            {IDC_PIXELRATIO, IDC_PIXELRATIO_SPIN, &CSettingsDlg::OnKillfocusPixelRatio,
             &CSettingsDlg::OnDeltaposPixelRatioSpin},
            {IDC_DELTATIME, IDC_DELTATIME_SPIN, &CSettingsDlg::OnKillfocusDeltaTime,
             &CSettingsDlg::OnDeltaposDeltaTimeSpin},
            {IDC_GRAVITATION, IDC_GRAVITATION_SPIN, &CSettingsDlg::OnKillfocusGravitation,
             &CSettingsDlg::OnDeltaposGravitationSpin},
            {IDC_RESISTANCE, IDC_RESISTANCE_SPIN, &CSettingsDlg::OnKillfocusResistance,
             &CSettingsDlg::OnDeltaposResistanceSpin},
            {IDC_FLUTTER, IDC_FLUTTER_SPIN, &CSettingsDlg::OnKillfocusFlutter, &CSettingsDlg::OnDeltaposFlutterSpin},
        };
        const auto it = std::find_if(std::begin(kEntries), std::end(kEntries),
                                     [=](const FieldEntry& e) { return (bArrows ? e.nArrows : e.nEdit) == nID; });
        return it != std::end(kEntries) ? it : nullptr;
    }
};

CSettingsDlg::CSettingsDlg(CWnd* pParent) : CDialog(IDD_SETTINGS, pParent), m_wndPreview(false)
{
    SetParams(SnowParams{});
    m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
}

SnowParams CSettingsDlg::GetParams() const
{
    return SnowParamsOf(*this);
}

void CSettingsDlg::SetParams(const SnowParams& params)
{
    AssignSnowParams(*this, params);
}

void CSettingsDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PIXELRATIO, m_editPixelRatio);
    DDX_Control(pDX, IDC_GRAVITATION, m_editGravitation);
    DDX_Control(pDX, IDC_DELTATIME, m_editDeltaTime);
    DDX_Control(pDX, IDC_PERIOD, m_editPeriod);
    DDX_Control(pDX, IDC_COUNT, m_editCount);
    DDX_Control(pDX, IDC_RESISTANCE, m_editResistance);
    DDX_Control(pDX, IDC_FLUTTER, m_editFlutter);
    DDX_Text(pDX, IDC_PERIOD, m_nPeriod);
    DDV_MinMaxUInt(pDX, m_nPeriod, 1, 1000);
    DDX_Text(pDX, IDC_COUNT, m_nCount);
    DDV_MinMaxUInt(pDX, m_nCount, 1, 9999);
    DDX_Text(pDX, IDC_RESISTANCE, m_dResistance);
    DDV_MinMaxDouble(pDX, m_dResistance, 0.001, 1.0);
    DDX_Text(pDX, IDC_PIXELRATIO, m_dPixelRatio);   // no range: only the handlers' lower bound guards it
    DDX_Text(pDX, IDC_FLUTTER, m_dFlutter);
    DDV_MinMaxDouble(pDX, m_dFlutter, 0.0, 200.0);
    DDX_Text(pDX, IDC_DELTATIME, m_dDeltaTime);
    DDV_MinMaxDouble(pDX, m_dDeltaTime, 0.001, 1.0);
    DDX_Text(pDX, IDC_GRAVITATION, m_dGravitation);
    DDV_MinMaxDouble(pDX, m_dGravitation, 0.1, 99.9);
}

bool CSettingsDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    // The preview covers the invisible placeholder and starts with the settings it loaded.
    CRect rc;
    if (CWnd* pPlaceholder = GetDlgItem(IDC_PREVIEW); pPlaceholder != nullptr)
    {
        pPlaceholder->GetWindowRect(&rc);
        ScreenToClient(&rc);
    }
    m_wndPreview.Create(0, WS_CHILD | WS_VISIBLE, rc, this, 0, nullptr);

    SetParams(m_wndPreview.GetParams());
    UpdateData(false);

    CenterWindow();

    if (CMenu* pSysMenu = GetSystemMenu(false); pSysMenu != nullptr)
    {
        const std::string strAboutMenu = AfxLoadString(IDS_ABOUTBOX);
        if (!strAboutMenu.empty())
        {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu.c_str());
        }
    }
    return true;   // the focus goes to the first tab stop, the period
}

void CSettingsDlg::OnCancel()
{
    CDialog::OnCancel();
}

void CSettingsDlg::OnSysCommand(UINT nID)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX)
    {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
        return;
    }
    CDialog::OnSysCommand(nID);
}

void CSettingsDlg::OnPaint()
{
    if (!IsIconic())
    {
        CDialog::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<std::uintptr_t>(&dc), 0);
    const int cxIcon = AfxGetSystemMetrics(SM_CXICON);
    const int cyIcon = AfxGetSystemMetrics(SM_CYICON);
    CRect rect;
    GetClientRect(&rect);
    const int x = (rect.Width() - cxIcon + 1) / 2;
    const int y = (rect.Height() - cyIcon + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

IconHandle CSettingsDlg::OnQueryDragIcon()
{
    return m_hIcon;
}

bool CSettingsDlg::OnCmdMsg(UINT nID, UINT nCode)
{
    if (nCode == EN_KILLFOCUS)
    {
        if (const CSettingsDlgMap::FieldEntry* pEntry = CSettingsDlgMap::Find(nID, false); pEntry != nullptr)
        {
            (this->*pEntry->pfnKillFocus)();
            return true;
        }
    }
    if (nCode == BN_CLICKED && nID == IDC_DEFAULT)
    {
        OnDefault();
        return true;
    }
    // IDC_APPLY has no entry: its click takes the focus from the edit, whose handler applies it.
    return CDialog::OnCmdMsg(nID, nCode);
}

bool CSettingsDlg::OnNotifyMsg(UINT nID, CNmHdr* pNMHDR, std::intptr_t* pResult)
{
    const CSettingsDlgMap::FieldEntry* pEntry = CSettingsDlgMap::Find(nID, true);
    if (pEntry == nullptr || pNMHDR->code != UDN_DELTAPOS)
        return CDialog::OnNotifyMsg(nID, pNMHDR, pResult);
    (this->*pEntry->pfnDeltaPos)(pNMHDR, pResult);
    return true;
}

// One line each, read as a table:
// clang-format off
void CSettingsDlg::OnKillfocusPeriod() { UpdateData(true); ApplyPeriod(); }
void CSettingsDlg::OnKillfocusCount() { UpdateData(true); ApplyCount(); }
void CSettingsDlg::OnKillfocusPixelRatio() { UpdateData(true); ApplyPixelRatio(); }
void CSettingsDlg::OnKillfocusDeltaTime() { UpdateData(true); ApplyDeltaTime(); }
void CSettingsDlg::OnKillfocusGravitation() { UpdateData(true); ApplyGravitation(); }
void CSettingsDlg::OnKillfocusResistance() { UpdateData(true); ApplyResistance(); }
void CSettingsDlg::OnKillfocusFlutter() { UpdateData(true); ApplyFlutter(); }
// clang-format on

// The arrow handlers exchange before they step, so a value above its range reached with an arrow
// draws no message until the next exchange. *pResult 0 lets the arrows move their own position.
template <class T>
void CSettingsDlg::Spin(T& value, T step, void (CSettingsDlg::*pfnApply)(), const CNmHdr* pNMHDR,
                        std::intptr_t* pResult)
{
    UpdateData(true);
    if constexpr (std::is_same_v<T, UINT>)
        StepUInt(value, DeltaOf(pNMHDR), step);
    else
        StepDouble(value, DeltaOf(pNMHDR), step);
    (this->*pfnApply)();
    *pResult = 0;
}

void CSettingsDlg::OnDeltaposPeriodSpin(CNmHdr* pNMHDR, std::intptr_t* pResult)
{
    Spin(m_nPeriod, kStepPeriod, &CSettingsDlg::ApplyPeriod, pNMHDR, pResult);
}

void CSettingsDlg::OnDeltaposCountSpin(CNmHdr* pNMHDR, std::intptr_t* pResult)
{
    Spin(m_nCount, kStepCount, &CSettingsDlg::ApplyCount, pNMHDR, pResult);
}

void CSettingsDlg::OnDeltaposPixelRatioSpin(CNmHdr* pNMHDR, std::intptr_t* pResult)
{
    Spin(m_dPixelRatio, kStepPixelRatio, &CSettingsDlg::ApplyPixelRatio, pNMHDR, pResult);
}

void CSettingsDlg::OnDeltaposDeltaTimeSpin(CNmHdr* pNMHDR, std::intptr_t* pResult)
{
    Spin(m_dDeltaTime, kStepDeltaTime, &CSettingsDlg::ApplyDeltaTime, pNMHDR, pResult);
}

void CSettingsDlg::OnDeltaposGravitationSpin(CNmHdr* pNMHDR, std::intptr_t* pResult)
{
    Spin(m_dGravitation, kStepGravitation, &CSettingsDlg::ApplyGravitation, pNMHDR, pResult);
}

void CSettingsDlg::OnDeltaposResistanceSpin(CNmHdr* pNMHDR, std::intptr_t* pResult)
{
    Spin(m_dResistance, kStepResistance, &CSettingsDlg::ApplyResistance, pNMHDR, pResult);
}

void CSettingsDlg::OnDeltaposFlutterSpin(CNmHdr* pNMHDR, std::intptr_t* pResult)
{
    Spin(m_dFlutter, kStepFlutter, &CSettingsDlg::ApplyFlutter, pNMHDR, pResult);
}

void CSettingsDlg::ApplyPeriod()
{
    CheckMinUInt(kMinPeriod, m_nPeriod, &m_editPeriod);
    m_wndPreview.SetPeriod(m_nPeriod);
    UpdateData(false);
}

void CSettingsDlg::ApplyCount()
{
    CheckMinUInt(kMinCount, m_nCount, &m_editCount);
    // A count is never negative: one beyond int's range asks for as many flakes as the preview holds.
    m_wndPreview.SetFlakeCount(static_cast<int>(std::min<UINT>(m_nCount, INT_MAX)));
    UpdateData(false);
}

void CSettingsDlg::ApplyPixelRatio()
{
    CheckMinDouble(kMinPixelRatio, m_dPixelRatio, &m_editPixelRatio);
    m_wndPreview.SetPixelRatio(m_dPixelRatio);
    UpdateData(false);
}

void CSettingsDlg::ApplyDeltaTime()
{
    CheckMinDouble(kMinDeltaTime, m_dDeltaTime, &m_editDeltaTime);
    m_wndPreview.SetDeltaTime(m_dDeltaTime);
    UpdateData(false);
}

void CSettingsDlg::ApplyGravitation()
{
    CheckMinDouble(kMinGravitation, m_dGravitation, &m_editGravitation);
    m_wndPreview.SetGravitation(m_dGravitation);
    UpdateData(false);
}

void CSettingsDlg::ApplyResistance()
{
    CheckMinDouble(kMinResistance, m_dResistance, &m_editResistance);
    m_wndPreview.SetResistance(m_dResistance);
    UpdateData(false);
}

void CSettingsDlg::ApplyFlutter()
{
    CheckMinDouble(kMinFlutter, m_dFlutter, &m_editFlutter);
    m_wndPreview.SetFlutter(m_dFlutter);
    UpdateData(false);
}

void CSettingsDlg::OnDefault()
{
    const SnowParams defaults;
    SetParams(defaults);
    m_wndPreview.SetParams(defaults);
    UpdateData(false);
}
