// The screen saver's switches read from the command line, and atol's reading of a window handle.

#include "app/Switches.h"

#include <limits>

bool MatchSwitch(const char* arg, char letter)
{
    if (arg == nullptr)
        return false;
    if (*arg == '-' || *arg == '/')
        ++arg;
    return *arg == letter;
}

SaverCommand ChooseMode(int argc, const char* const* argv)
{
    if (argc <= 1 || MatchSwitch(argv[1], 'c'))
        return {SaverMode::Settings, 0};
    if (argc >= 3 && MatchSwitch(argv[1], 'p'))
        return {SaverMode::Preview, AtoL(argv[2])};
    if (MatchSwitch(argv[1], 's'))
        return {SaverMode::Saver, 0};
    return {SaverMode::Exit, 0};
}

std::int64_t AtoL(const char* text)
{
    if (text == nullptr)
        return 0;
    while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\v' || *text == '\f' || *text == '\r')
        ++text;
    const bool bNegative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    // Accumulate the magnitude negatively: the negative range is one larger.
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    std::int64_t nValue = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
    {
        const int digit = *text - '0';
        if (nValue < (kMin + digit) / 10)
        {
            nValue = kMin;
            while (*text >= '0' && *text <= '9')
                ++text;
            break;
        }
        nValue = nValue * 10 - digit;
    }
    if (bNegative)
        return nValue;
    return nValue == kMin ? std::numeric_limits<std::int64_t>::max() : -nValue;
}
