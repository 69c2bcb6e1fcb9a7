#pragma once
// xscreensaver's ways of naming the window a hack draws into, mapped onto the preview switch:
// "-root" draws into the window XSCREENSAVER_WINDOW names, else the root window; "-window-id ID"
// draws into that window. The saver's own switches keep their meaning.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct XScreenSaverTarget
{
    enum class Kind
    {
        None,      // no xscreensaver option: run the command line as it is
        Root,      // the root window of the default screen
        Window,    // nWindow
        Invalid,   // an option naming no window: end at once
    };
    Kind kind = Kind::None;
    std::uint32_t nWindow = 0;

    friend bool operator==(const XScreenSaverTarget&, const XScreenSaverTarget&) = default;
};

// A window id as X tools print it: "0x" and hex digits, or decimal digits; the whole text, not 0,
// within 32 bits. False for anything else.
bool ParseWindowId(const char* text, std::uint32_t* pnWindow);

// The window the command line asks for; pszEnvWindow is XSCREENSAVER_WINDOW, or nullptr when unset.
XScreenSaverTarget FindXScreenSaverTarget(int argc, const char* const* argv, const char* pszEnvWindow);

// The argument vector of preview mode in that window: program name, "/p", the id in decimal.
std::vector<std::string> PreviewArgs(const char* argv0, std::uint32_t nWindow);

// The seven settings as xscreensaver's panel passes them ("--count 500"; one dash also does), and
// the profile entry each stands in for during that run.
struct XScreenSaverSetting
{
    const char* pszOption;   // without dashes
    const char* pszEntry;
};
extern const XScreenSaverSetting kXScreenSaverSettings[7];

struct XScreenSaverSettings
{
    std::vector<std::pair<std::string, std::string>> overrides;   // {profile entry, value}, last one wins
    std::vector<std::string> args;                                // the command line without them
};

// Takes the settings options and their values out of the command line. An option without a value
// after it is left where it is.
XScreenSaverSettings TakeXScreenSaverSettings(int argc, const char* const* argv);
