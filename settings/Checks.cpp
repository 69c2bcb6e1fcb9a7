// The settings dialog's lower bounds, with their messages, and its arrow steps.

#include "settings/Checks.h"

#include "platform/WinApp.h"
#include "platform/Wnd.h"

#include <charconv>
#include <limits>
#include <string>

namespace
{
// printf's "%f": fixed notation with six decimals, whatever the locale.
std::string FormatFixed6(double value)
{
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    return std::string(buffer, result.ptr);
}

// The message first, then the focus: the box may start the edit's own handler, which the focus
// move must not start a second time.
void Explain(const std::string& text, CWnd* pEdit)
{
    AfxMessageBox(text, MB_ICONEXCLAMATION, 0);
    if (pEdit != nullptr)
        pEdit->SetFocus();
}
}   // namespace

bool CheckMinUInt(UINT nMin, UINT& value, CWnd* pEdit)
{
    if (value >= nMin)
        return true;
    Explain(std::to_string(nMin) + " 以上の整数を入力してください。", pEdit);
    value = nMin;
    return false;
}

bool CheckMinDouble(double dMin, double& value, CWnd* pEdit)
{
    if (!(dMin > value))
        return true;
    if (value >= 0.0)
    {
        Explain(FormatFixed6(dMin) + " 以上の値を入力してください。", pEdit);
        value = dMin;
        return false;
    }
    Explain("正の値を入力してください。", pEdit);
    // Handlers that the box started may have changed the field meanwhile: negate what it holds now.
    // A field they put back to zero stays zero: the edit must never show "-0".
    value = value != 0.0 ? -value : 0.0;
    if (dMin > value)
        value = dMin;
    return false;
}

void StepUInt(UINT& value, int iDelta, UINT nStep)
{
    constexpr UINT kMax = std::numeric_limits<UINT>::max();
    if (iDelta < 0)
        value = value > kMax - nStep ? kMax : value + nStep;
    else
        value = value < nStep ? 0 : value - nStep;
}

void StepDouble(double& value, int iDelta, double dStep)
{
    if (iDelta < 0)
        value += dStep;
    else
        value -= dStep;
}
