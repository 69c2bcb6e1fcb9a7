// Unit tests of the screen saver's switches.

#include "app/Switches.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

TEST(MatchSwitch, OneLeadingDashOrSlashThenTheExactLetter)
{
    struct Case
    {
        const char* arg;
        char letter;
        bool bMatch;
    };
    const Case cases[] = {
        {"s", 's', true},       {"/s", 's', true},  {"-s", 's', true},     {"/screen", 's', true},
        {"/c:4711", 'c', true}, {"/S", 's', false}, {"//s", 's', false},   {"-/s", 's', false},
        {"", 's', false},       {"/", 's', false},  {nullptr, 's', false}, {"x", 's', false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.arg != nullptr ? c.arg : "(null)");
        EXPECT_EQ(MatchSwitch(c.arg, c.letter), c.bMatch);
    }
}

TEST(ChooseMode, TheCommandLinesOfTheScreenSaverConvention)
{
    struct Case
    {
        std::vector<const char*> args;   // after the program's name
        SaverMode mode;
        std::int64_t nHost;
    };
    const Case cases[] = {
        {{}, SaverMode::Settings, 0},
        {{"-c"}, SaverMode::Settings, 0},
        {{"/c"}, SaverMode::Settings, 0},
        {{"c"}, SaverMode::Settings, 0},
        {{"/c:4711"}, SaverMode::Settings, 0},
        {{"/C"}, SaverMode::Exit, 0},
        {{"/s"}, SaverMode::Saver, 0},
        {{"-s"}, SaverMode::Saver, 0},
        {{"s"}, SaverMode::Saver, 0},
        {{"/screen"}, SaverMode::Saver, 0},
        {{"//s"}, SaverMode::Exit, 0},
        {{"/p", "1234"}, SaverMode::Preview, 1234},
        {{"/p", "  -77x"}, SaverMode::Preview, -77},
        {{"/p", "window"}, SaverMode::Preview, 0},
        {{"/p"}, SaverMode::Exit, 0},
        {{"/p:1234"}, SaverMode::Exit, 0},
        {{"/a"}, SaverMode::Exit, 0},
    };
    for (const Case& c : cases)
    {
        std::vector<const char*> argv = {"kelvane"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(testing::Message() << "argc " << argv.size() << " first " << (argv.size() > 1 ? argv[1] : "-"));
        const SaverCommand command = ChooseMode(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(command.mode, c.mode);
        EXPECT_EQ(command.nHostHandle, c.nHost);
    }
}

TEST(AtoL, ReadsTheLeadingNumberAndSaturates)
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    struct Case
    {
        const char* text;
        std::int64_t value;
    };
    const Case cases[] = {
        {"1234", 1234},
        {"  +42abc", 42},
        {"\t-9", -9},
        {"abc", 0},
        {"", 0},
        {"- 5", 0},
        {"0x1A", 0},
        {"9223372036854775807", kMax},
        {"9223372036854775808", kMax},
        {"99999999999999999999999", kMax},
        {"-9223372036854775808", kMin},
        {"-99999999999999999999999", kMin},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(AtoL(c.text), c.value);
    }
    EXPECT_EQ(AtoL(nullptr), 0);
}
