// The portable part of dialogs: the data exchange with its parse and range checks, and the
// routing of control notifications, which an exchange locks out.

#include "platform/Dialog.h"

#include "platform/WinApp.h"
#include "platform/common/BackEnd.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace
{
// Thrown by CDataExchange::Fail and caught by UpdateData, which reports it as false.
struct DataExchangeFailure
{
};

// The controls' texts are read into buffers of these sizes, as the original framework reads them.
constexpr std::size_t kMaxUIntText = 63;
constexpr std::size_t kMaxDoubleText = 399;

std::string_view SkipBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    return text;
}

bool OnlyBlanksLeft(std::string_view text)
{
    return SkipBlanks(text).empty();
}

// Decimal digits after at most one '+', blanks around them allowed; a minus sign, anything else
// or nothing does not parse. A number too large for 32 bits reads as the largest, as strtoul gives it.
bool ParseUInt(std::string_view text, UINT& value)
{
    text = SkipBlanks(text.substr(0, kMaxUIntText));
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return false;
    std::uint64_t n = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        n = std::min<std::uint64_t>(n * 10 + static_cast<unsigned>(text[i] - '0'), 0xFFFFFFFFu);
    if (!OnlyBlanksLeft(text.substr(i)))
        return false;
    value = static_cast<UINT>(n);
    return true;
}

// A decimal number with at most one sign, blanks around it allowed; "-0", ".0" and "0e5" are zero,
// and zero is always stored without a sign. Neither "inf" nor "nan" parses, nor a number beyond
// double's range, so a field never takes infinity.
bool ParseDouble(std::string_view text, double& value)
{
    text = SkipBlanks(text.substr(0, kMaxDoubleText));
    std::string_view number = text;
    const bool bNegative = !number.empty() && number.front() == '-';
    if (!number.empty() && (number.front() == '+' || number.front() == '-'))
        number.remove_prefix(1);
    if (number.empty() || !(std::isdigit(static_cast<unsigned char>(number.front())) || number.front() == '.'))
        return false;
    double d = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), d, std::chars_format::general);
    if (result.ec != std::errc() || !std::isfinite(d))
        return false;
    if (bNegative && d != 0.0)
        d = -d;
    if (!OnlyBlanksLeft(
            std::string_view(result.ptr, static_cast<std::size_t>(number.data() + number.size() - result.ptr))))
        return false;
    value = d;
    return true;
}

std::string FormatDouble15(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return std::string(buffer, result.ptr);
}

[[noreturn]] void FailWith(CDataExchange* pDX, const std::string& message)
{
    AfxMessageBox(message, MB_ICONEXCLAMATION);
    pDX->Fail();
}
}   // namespace

CWnd* CDataExchange::PrepareEditCtrl(int nIDC)
{
    m_pLastControl = m_pDlgWnd->GetDlgItem(nIDC);
    return m_pLastControl;
}

void CDataExchange::Fail()
{
    if (m_bSaveAndValidate && m_pLastControl != nullptr)
        m_pDlgWnd->GotoDlgCtrl(m_pLastControl);
    throw DataExchangeFailure{};
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (!rControl.IsWindow())
        rControl.SubclassDlgItem(static_cast<UINT>(nIDC), pDX->m_pDlgWnd);
}

void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value)
{
    CWnd* pEdit = pDX->PrepareEditCtrl(nIDC);
    if (pEdit == nullptr)
        return;
    if (!pDX->m_bSaveAndValidate)
    {
        pEdit->SetWindowText(std::to_string(value));
        return;
    }
    if (!ParseUInt(pEdit->GetWindowText(), value))
        FailWith(pDX, "正の整数を入力してください。");
}

void DDX_Text(CDataExchange* pDX, int nIDC, double& value)
{
    CWnd* pEdit = pDX->PrepareEditCtrl(nIDC);
    if (pEdit == nullptr)
        return;
    if (!pDX->m_bSaveAndValidate)
    {
        pEdit->SetWindowText(FormatDouble15(value));
        return;
    }
    if (!ParseDouble(pEdit->GetWindowText(), value))
        FailWith(pDX, "数値を入力してください。");
}

void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal)
{
    if (pDX->m_bSaveAndValidate && (value < minVal || value > maxVal))
        FailWith(pDX, std::to_string(minVal) + " から " + std::to_string(maxVal) + " までの整数を入力してください。");
}

void DDV_MinMaxDouble(CDataExchange* pDX, const double& value, double minVal, double maxVal)
{
    if (pDX->m_bSaveAndValidate && (value < minVal || value > maxVal))
        FailWith(pDX, FormatDouble15(minVal) + " から " + FormatDouble15(maxVal) + " までの数値を入力してください。");
}

bool CDialog::UpdateData(bool bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    const bool bOuter = m_bInDataExchange;
    m_bInDataExchange = true;
    bool bPassed = true;
    try
    {
        DoDataExchange(&dx);
    }
    catch (const DataExchangeFailure&)
    {
        bPassed = false;
    }
    m_bInDataExchange = bOuter;
    return bPassed;
}

bool CDialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

void CDialog::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

bool CDialog::OnCmdMsg(UINT nID, UINT nCode)
{
    if (nCode != BN_CLICKED)
        return false;
    if (nID == IDOK)
        OnOK();
    else if (nID == IDCANCEL)
        OnCancel();
    else
        return false;
    return true;
}

bool CDialog::OnCommand(std::uintptr_t wParam, std::intptr_t /*lParam*/)
{
    return m_bInDataExchange ||
           OnCmdMsg(static_cast<UINT>(wParam & 0xFFFF), static_cast<UINT>((wParam >> 16) & 0xFFFF));
}

bool CDialog::OnNotify(std::uintptr_t /*wParam*/, std::intptr_t lParam, std::intptr_t* pResult)
{
    auto* pNMHDR = reinterpret_cast<CNmHdr*>(lParam);
    if (pNMHDR == nullptr)
        return false;
    return m_bInDataExchange || OnNotifyMsg(static_cast<UINT>(pNMHDR->idFrom), pNMHDR, pResult);
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    m_bEnded = true;
    AfxEndModalDialog(this);
}

const DialogTemplate* CDialog::GetTemplate() const
{
    return m_pTemplate != nullptr ? m_pTemplate : AfxFindDialogTemplate(m_nIDTemplate);
}

UINT CDialog::GetDefID() const
{
    const DialogTemplate* pTemplate = GetTemplate();
    if (pTemplate == nullptr)
        return IDOK;
    UINT nFirst = 0;
    for (std::size_t i = 0; i < pTemplate->nControls; ++i)
    {
        const DialogControl& c = pTemplate->pControls[i];
        if (std::string_view(c.lpszClass) != "BUTTON" || (c.dwStyle & 0xF) != BS_DEFPUSHBUTTON)
            continue;
        if (c.nID == IDOK)
            return IDOK;
        if (nFirst == 0)
            nFirst = static_cast<UINT>(c.nID);
    }
    return nFirst != 0 ? nFirst : IDOK;
}

int CDialog::DoModal()
{
    const DialogTemplate* pTemplate = GetTemplate();
    if (pTemplate == nullptr || IsWindow())
        return -1;
    CWinApp* pApp = AfxGetApp();
    CWnd* pOuter = pApp->m_pModalDialog;
    pApp->m_pModalDialog = this;
    m_bEnded = false;
    m_nModalResult = IDCANCEL;
    const int nResult = AfxRunModalDialog(this, pTemplate);
    pApp->m_pModalDialog = pOuter;
    return nResult;
}
