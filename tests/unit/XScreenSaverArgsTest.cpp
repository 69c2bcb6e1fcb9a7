// Unit tests of xscreensaver's options on the Linux program's command line.

#include "linux/XScreenSaverArgs.h"
#include "app/Switches.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(ParseWindowId, HexWithPrefixOrDecimalTheWholeTextNotZeroWithin32Bits)
{
    struct Case
    {
        const char* text;
        bool bOk;
        std::uint32_t nWindow;
    };
    // clang-format off
    const Case cases[] = {
        {"0x1a00007", true, 0x1a00007}, {"0X1A00007", true, 0x1a00007}, {"27262983", true, 27262983},
        {"0xffffffff", true, 0xffffffffu}, {"4294967295", true, 4294967295u}, {"0x100000000", false, 0},
        {"4294967296", false, 0}, {"99999999999999999999999", false, 0}, {"0", false, 0}, {"0x0", false, 0},
        {"0x", false, 0}, {"", false, 0}, {nullptr, false, 0}, {"-5", false, 0}, {"+5", false, 0}, {" 5", false, 0},
        {"5 ", false, 0}, {"12abc", false, 0}, {"0x1g", false, 0}, {"abc", false, 0},
    };
    // clang-format on
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text != nullptr ? c.text : "(null)");
        std::uint32_t nWindow = 7;
        EXPECT_EQ(ParseWindowId(c.text, &nWindow), c.bOk);
        EXPECT_EQ(nWindow, c.bOk ? c.nWindow : 7u);
    }
}

TEST(FindXScreenSaverTarget, RootAndWindowIdMapOntoAWindowTheSaverSwitchesKeepTheirMeaning)
{
    using Kind = XScreenSaverTarget::Kind;
    struct Case
    {
        std::vector<const char*> args;   // after the program's name
        const char* pszEnv;              // XSCREENSAVER_WINDOW
        XScreenSaverTarget target;
    };
    const Case cases[] = {
        {{"-root"}, nullptr, {Kind::Root, 0}},
        {{"-root"}, "", {Kind::Root, 0}},
        {{"--root"}, nullptr, {Kind::Root, 0}},
        {{"-root"}, "0x600003", {Kind::Window, 0x600003}},
        {{"-root"}, "6291459", {Kind::Window, 6291459}},
        {{"-root"}, "nonsense", {Kind::Invalid, 0}},
        {{"-root"}, "0", {Kind::Invalid, 0}},
        {{"-window-id", "0x600003"}, nullptr, {Kind::Window, 0x600003}},
        {{"-window-id", "6291459"}, "0x123", {Kind::Window, 6291459}},
        {{"-fps", "-window-id", "0x10"}, nullptr, {Kind::Window, 0x10}},
        {{"-window-id"}, nullptr, {Kind::Invalid, 0}},
        {{"-window-id", "-root"}, nullptr, {Kind::Invalid, 0}},
        {{"-window-id", "0"}, nullptr, {Kind::Invalid, 0}},
        {{"-root-window"}, nullptr, {Kind::None, 0}},
        {{"-rooted"}, nullptr, {Kind::None, 0}},
        {{"/s", "-root"}, nullptr, {Kind::None, 0}},
        {{"-s", "-window-id", "0x10"}, nullptr, {Kind::None, 0}},
        {{"/p", "1234", "-root"}, nullptr, {Kind::None, 0}},
        {{"c", "-root"}, nullptr, {Kind::None, 0}},
        {{}, "0x600003", {Kind::None, 0}},
        {{"/x"}, "0x600003", {Kind::None, 0}},
    };
    for (const Case& c : cases)
    {
        std::vector<const char*> argv{"kelvane"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(testing::PrintToString(c.args) +
                     " XSCREENSAVER_WINDOW=" + (c.pszEnv != nullptr ? c.pszEnv : "(unset)"));
        EXPECT_EQ(FindXScreenSaverTarget(static_cast<int>(argv.size()), argv.data(), c.pszEnv), c.target);
    }
}

TEST(PreviewArgs, ChooseModeReadsThemAsPreviewInThatWindow)
{
    for (const std::uint32_t nWindow : {1u, 0x600003u, 0x7fffffffu, 0xffffffffu})
    {
        SCOPED_TRACE(nWindow);
        std::vector<std::string> args = PreviewArgs("/usr/bin/kelvane", nWindow);
        std::vector<const char*> argv;
        for (const std::string& arg : args)
            argv.push_back(arg.c_str());
        const SaverCommand command = ChooseMode(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(argv[0], std::string("/usr/bin/kelvane"));
        EXPECT_EQ(command.mode, SaverMode::Preview);
        EXPECT_EQ(command.nHostHandle, static_cast<std::int64_t>(nWindow));
    }
}

TEST(TakeXScreenSaverSettings, TheSevenOptionsBecomeProfileEntriesAndLeaveTheRestInOrder)
{
    using Entries = std::vector<std::pair<std::string, std::string>>;
    struct Case
    {
        std::vector<const char*> args;   // after the program's name
        Entries overrides;
        std::vector<std::string> rest;   // after the program's name
    };
    const Case cases[] = {
        {{"--root", "--period", "20", "--count", "500"}, {{"Period", "20"}, {"Count", "500"}}, {"--root"}},
        {{"-count", "5", "-root"}, {{"Count", "5"}}, {"-root"}},
        {{"--pixel-ratio", "60.5", "--delta-time", "0.01", "--gravitation", "3", "--resistance", "0.5", "--flutter",
          "0", "--window-id", "0x10"},
         {{"PixelRatio", "60.5"}, {"DeltaTime", "0.01"}, {"Gravitation", "3"}, {"Resistance", "0.5"}, {"Flutter", "0"}},
         {"--window-id", "0x10"}},
        {{"--count", "5", "--count", "6"}, {{"Count", "5"}, {"Count", "6"}}, {}},
        {{"/s", "--flutter", "80"}, {{"Flutter", "80"}}, {"/s"}},
        {{"--root", "--count"}, {}, {"--root", "--count"}},
        {{"--counts", "5", "count", "5", "---count", "5"}, {}, {"--counts", "5", "count", "5", "---count", "5"}},
        {{"/c"}, {}, {"/c"}},
    };
    for (const Case& c : cases)
    {
        std::vector<const char*> argv{"kelvane"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(testing::PrintToString(c.args));
        const XScreenSaverSettings settings = TakeXScreenSaverSettings(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(settings.overrides, c.overrides);
        std::vector<std::string> rest{"kelvane"};
        rest.insert(rest.end(), c.rest.begin(), c.rest.end());
        EXPECT_EQ(settings.args, rest);
    }
}

TEST(TakeXScreenSaverSettings, WithTheOptionsTakenOutTheWindowOptionsAndSwitchesReadAsBefore)
{
    // "-count" alone would read as the settings switch "c".
    const char* argv[] = {"kelvane", "-count", "500", "-root"};
    const XScreenSaverSettings settings = TakeXScreenSaverSettings(4, argv);
    std::vector<const char*> rest;
    for (const std::string& arg : settings.args)
        rest.push_back(arg.c_str());
    EXPECT_EQ(FindXScreenSaverTarget(static_cast<int>(rest.size()), rest.data(), nullptr).kind,
              XScreenSaverTarget::Kind::Root);
}
