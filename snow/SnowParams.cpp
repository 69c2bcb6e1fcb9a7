// The seven settings in the profile: read with their defaults and guarded, written in one
// replacement; doubles as the profile's "%g" text and atof's reading of it.

#include "snow/SnowParams.h"

#include "platform/WinApp.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace
{
bool IsCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// For a decimal text that does not fit a double: true when it is too large, false when too small.
bool Overflows(std::string_view number)
{
    std::size_t i = 0;
    long long nPointExponent = 0;   // where the first significant digit stands, as a power of ten
    bool bSeenSignificant = false;
    bool bAfterPoint = false;
    for (; i < number.size() && (IsDigit(number[i]) || number[i] == '.'); ++i)
    {
        if (number[i] == '.')
        {
            bAfterPoint = true;
            continue;
        }
        if (!bSeenSignificant && number[i] != '0')
            bSeenSignificant = true;
        if (bSeenSignificant && !bAfterPoint)
            ++nPointExponent;
        else if (!bSeenSignificant && bAfterPoint)
            --nPointExponent;
    }
    long long nExponent = 0;
    if (i < number.size() && (number[i] == 'e' || number[i] == 'E'))
    {
        ++i;
        const bool bNegative = i < number.size() && number[i] == '-';
        if (i < number.size() && (number[i] == '-' || number[i] == '+'))
            ++i;
        for (; i < number.size() && IsDigit(number[i]); ++i)
            nExponent = std::min(nExponent * 10 + (number[i] - '0'), 1000000LL);   // far beyond any double
        if (bNegative)
            nExponent = -nExponent;
    }
    return nPointExponent + nExponent > 0;
}
}   // namespace

std::string FormatG(double dValue)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, dValue, std::chars_format::general, 6);
    return std::string(buffer, result.ptr);
}

double AtoF(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i]))
        ++i;
    bool bNegative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
    {
        bNegative = text[i] == '-';
        ++i;
    }
    // One sign only, and a number starts with a digit or a point: the runtime the profile's
    // format comes from reads "inf" and "nan" as no number.
    if (i == text.size() || !(IsDigit(text[i]) || text[i] == '.'))
        return 0.0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    double dValue = 0.0;
    const auto result = std::from_chars(first, last, dValue, std::chars_format::general);
    if (result.ec == std::errc::invalid_argument)
        return 0.0;
    if (result.ec == std::errc::result_out_of_range)
        dValue = Overflows(std::string_view(first, static_cast<std::size_t>(result.ptr - first)))
                     ? std::numeric_limits<double>::infinity()
                     : 0.0;
    return bNegative ? -dValue : dValue;
}

double GetProfileDouble(const char* lpszSection, const char* lpszEntry, double dDefault)
{
    const std::string strDefault = FormatG(dDefault);
    return AtoF(AfxGetApp()->GetProfileString(lpszSection, lpszEntry, strDefault.c_str()));
}

bool WriteProfileDouble(const char* lpszSection, const char* lpszEntry, double dValue)
{
    return AfxGetApp()->WriteProfileString(lpszSection, lpszEntry, FormatG(dValue).c_str());
}

void GuardSnowParams(SnowParams& params)
{
    const SnowParams defaults;
    auto guard = [](double& dValue, double dDefault, bool bZeroAllowed) {
        if (!std::isfinite(dValue) || (!bZeroAllowed && dValue == 0.0))
            dValue = dDefault;
    };
    guard(params.m_dPixelRatio, defaults.m_dPixelRatio, false);
    guard(params.m_dDeltaTime, defaults.m_dDeltaTime, true);
    guard(params.m_dGravitation, defaults.m_dGravitation, true);
    guard(params.m_dResistance, defaults.m_dResistance, false);
    guard(params.m_dFlutter, defaults.m_dFlutter, true);
}

SnowParams ReadSnowParams()
{
    CWinApp* pApp = AfxGetApp();
    const SnowParams defaults;
    SnowParams params;
    params.m_nPeriod = pApp->GetProfileInt(kSnowSection, "Period", static_cast<int>(defaults.m_nPeriod));
    params.m_nCount = pApp->GetProfileInt(kSnowSection, "Count", static_cast<int>(defaults.m_nCount));
    params.m_dPixelRatio = GetProfileDouble(kSnowSection, "PixelRatio", defaults.m_dPixelRatio);
    params.m_dDeltaTime = GetProfileDouble(kSnowSection, "DeltaTime", defaults.m_dDeltaTime);
    params.m_dGravitation = GetProfileDouble(kSnowSection, "Gravitation", defaults.m_dGravitation);
    params.m_dResistance = GetProfileDouble(kSnowSection, "Resistance", defaults.m_dResistance);
    params.m_dFlutter = GetProfileDouble(kSnowSection, "Flutter", defaults.m_dFlutter);
    GuardSnowParams(params);
    return params;
}

bool WriteSnowParams(const SnowParams& params)
{
    // Counts go out as int, as the profile's integer writer takes them; reading wraps them back.
    // One write for all seven, so that a failure never leaves old and new settings mixed.
    return AfxGetApp()->WriteProfileStrings(kSnowSection,
                                            {
                                                {"Period", std::to_string(static_cast<int>(params.m_nPeriod))},
                                                {"Count", std::to_string(static_cast<int>(params.m_nCount))},
                                                {"PixelRatio", FormatG(params.m_dPixelRatio)},
                                                {"DeltaTime", FormatG(params.m_dDeltaTime)},
                                                {"Gravitation", FormatG(params.m_dGravitation)},
                                                {"Resistance", FormatG(params.m_dResistance)},
                                                {"Flutter", FormatG(params.m_dFlutter)},
                                            });
}
