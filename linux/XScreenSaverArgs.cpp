// xscreensaver's options on the Linux program's command line: the window to draw into and the
// seven settings for this run.

#include "linux/XScreenSaverArgs.h"

#include "app/Switches.h"

#include <cstring>

namespace
{
bool IsOption(const char* arg, const char* name)
{
    // xscreensaver writes options with one dash; X tools accept two as well.
    if (arg == nullptr || arg[0] != '-')
        return false;
    ++arg;
    if (*arg == '-')
        ++arg;
    return std::strcmp(arg, name) == 0;
}

int DigitValue(char c, int nBase)
{
    int n = -1;
    if (c >= '0' && c <= '9')
        n = c - '0';
    else if (nBase == 16 && c >= 'a' && c <= 'f')
        n = c - 'a' + 10;
    else if (nBase == 16 && c >= 'A' && c <= 'F')
        n = c - 'A' + 10;
    return n < nBase ? n : -1;
}
}   // namespace

bool ParseWindowId(const char* text, std::uint32_t* pnWindow)
{
    if (text == nullptr)
        return false;
    int nBase = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    {
        nBase = 16;
        text += 2;
    }
    if (*text == '\0')
        return false;
    std::uint64_t nValue = 0;
    for (; *text != '\0'; ++text)
    {
        const int digit = DigitValue(*text, nBase);
        if (digit < 0)
            return false;
        nValue = nValue * nBase + digit;
        if (nValue > 0xFFFFFFFFu)
            return false;
    }
    if (nValue == 0)
        return false;
    *pnWindow = static_cast<std::uint32_t>(nValue);
    return true;
}

XScreenSaverTarget FindXScreenSaverTarget(int argc, const char* const* argv, const char* pszEnvWindow)
{
    using Kind = XScreenSaverTarget::Kind;
    // The saver's own switches win, so that no xscreensaver option changes what they do.
    if (argc > 1 && (MatchSwitch(argv[1], 'c') || MatchSwitch(argv[1], 'p') || MatchSwitch(argv[1], 's')))
        return {};
    for (int i = 1; i < argc; ++i)
    {
        if (IsOption(argv[i], "window-id"))
        {
            XScreenSaverTarget target{Kind::Window, 0};
            if (i + 1 >= argc || !ParseWindowId(argv[i + 1], &target.nWindow))
                return {Kind::Invalid, 0};
            return target;
        }
        if (IsOption(argv[i], "root"))
        {
            if (pszEnvWindow == nullptr || *pszEnvWindow == '\0')
                return {Kind::Root, 0};
            XScreenSaverTarget target{Kind::Window, 0};
            if (!ParseWindowId(pszEnvWindow, &target.nWindow))
                return {Kind::Invalid, 0};
            return target;
        }
    }
    return {};
}

std::vector<std::string> PreviewArgs(const char* argv0, std::uint32_t nWindow)
{
    return {argv0 != nullptr ? argv0 : "kelvane", "/p", std::to_string(nWindow)};
}

const XScreenSaverSetting kXScreenSaverSettings[7] = {
    {"period", "Period"},           {"count", "Count"},
    {"pixel-ratio", "PixelRatio"},  {"delta-time", "DeltaTime"},
    {"gravitation", "Gravitation"}, {"resistance", "Resistance"},
    {"flutter", "Flutter"},
};

XScreenSaverSettings TakeXScreenSaverSettings(int argc, const char* const* argv)
{
    XScreenSaverSettings result;
    for (int i = 0; i < argc; ++i)
    {
        const XScreenSaverSetting* pSetting = nullptr;
        if (i > 0 && i + 1 < argc)
            for (const XScreenSaverSetting& setting : kXScreenSaverSettings)
                if (IsOption(argv[i], setting.pszOption))
                    pSetting = &setting;
        if (pSetting == nullptr)
        {
            result.args.emplace_back(argv[i] != nullptr ? argv[i] : "");
            continue;
        }
        result.overrides.emplace_back(pSetting->pszEntry, argv[i + 1] != nullptr ? argv[i + 1] : "");
        ++i;
    }
    return result;
}
