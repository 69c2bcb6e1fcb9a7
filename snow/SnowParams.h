#pragma once
// The seven user settings and their place in the profile.

#include "platform/Types.h"

#include <string>
#include <string_view>

// Every field's initial value is its default: the profile's fallback, the settings dialog's
// first values and what its defaults button restores.
struct SnowParams
{
    UINT m_nPeriod = 40;            // ms between frames
    UINT m_nCount = 100;            // flakes of the first frame
    double m_dPixelRatio = 210.0;   // 1/m: a flake at depth d is scaled by client width / ratio / d
    double m_dDeltaTime = 0.05;     // s of simulated time per frame
    double m_dGravitation = 9.8;    // m/s^2
    double m_dResistance = 0.25;    // 1/s, linear air resistance
    double m_dFlutter = 50.0;       // m/s^2, amplitude of the random acceleration on each axis

    friend bool operator==(const SnowParams&, const SnowParams&) = default;
};

// The snow window and the settings dialog carry the seven settings under the same member names:
// these copy them to and from such an object, in one place.
template <class T>
void AssignSnowParams(T& to, const SnowParams& params)
{
    to.m_nPeriod = params.m_nPeriod;
    to.m_nCount = params.m_nCount;
    to.m_dPixelRatio = params.m_dPixelRatio;
    to.m_dDeltaTime = params.m_dDeltaTime;
    to.m_dGravitation = params.m_dGravitation;
    to.m_dResistance = params.m_dResistance;
    to.m_dFlutter = params.m_dFlutter;
}

template <class T>
SnowParams SnowParamsOf(const T& from)
{
    return {from.m_nPeriod, from.m_nCount, from.m_dPixelRatio, from.m_dDeltaTime,
            from.m_dGravitation, from.m_dResistance, from.m_dFlutter};
}

// The profile section; its name carries the version of the settings' format.
inline constexpr char kSnowSection[] = "Config-Ver102";

// Reads the seven keys in field order, each with its default. Values that would make the snow's
// arithmetic meaningless (see GuardSnowParams) are replaced by their defaults.
SnowParams ReadSnowParams();
// Writes the seven keys in field order, in one replacement of the profile; false when it failed
// (the profile then stays as it was).
bool WriteSnowParams(const SnowParams& params);

// Replaces not-a-number and infinite values, and a zero pixel ratio or resistance (a division by
// zero), by the field's default. Everything else stays as the user wrote it.
void GuardSnowParams(SnowParams& params);

// Doubles travel as "%g" text (six significant digits) and come back through atof.
double GetProfileDouble(const char* lpszSection, const char* lpszEntry, double dDefault);
bool WriteProfileDouble(const char* lpszSection, const char* lpszEntry, double dValue);

// printf's "%g", independent of the locale.
std::string FormatG(double dValue);
// atof: leading white space, an optional sign, then the longest decimal number; 0.0 when none,
// as for "inf" and "nan". Independent of the locale; out-of-range values give +-HUGE_VAL or 0.
double AtoF(std::string_view text);
