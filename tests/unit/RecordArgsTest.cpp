// Unit tests of the recorder's command line.

#include "tools/kelvane-record/RecordArgs.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
bool Parse(std::vector<const char*> args, RecordOptions& options, std::string& error)
{
    args.insert(args.begin(), "kelvane-record");
    return ParseRecordArgs(static_cast<int>(args.size()), args.data(), options, error);
}
}   // namespace

TEST(RecordArgs, ReadsEveryOptionInBothSpellings)
{
    RecordOptions options;
    std::string error;
    ASSERT_TRUE(Parse(
        {"--width", "1920", "--height=1080", "--frames", "300", "--seed=4294967295", "--out", "snow.GIF", "--defaults"},
        options, error))
        << error;
    EXPECT_EQ(options.nWidth, 1920);
    EXPECT_EQ(options.nHeight, 1080);
    EXPECT_EQ(options.nFrames, 300);
    EXPECT_EQ(options.nSeed, 4294967295u);
    EXPECT_EQ(options.strOut, "snow.GIF");
    EXPECT_EQ(options.format, RecordOptions::Format::Gif);
    EXPECT_TRUE(options.bDefaults);

    RecordOptions png;
    ASSERT_TRUE(Parse({"--out", "last.png"}, png, error));
    EXPECT_EQ(png.format, RecordOptions::Format::Png);
    EXPECT_EQ(png.nWidth, 640);
}

TEST(RecordArgs, RefusesBadArgumentsWithOneLine)
{
    const std::vector<std::vector<const char*>> cases = {
        {},
        {"--out"},
        {"--out", "snow.jpg"},
        {"--out", "a.gif", "--width", "0"},
        {"--out", "a.gif", "--width", "8193"},
        {"--out", "a.gif", "--height", "-5"},
        {"--out", "a.gif", "--frames", "12x"},
        {"--out", "a.gif", "--frames", ""},
        {"--out", "a.gif", "--seed", "4294967296"},
        {"--out", "a.gif", "--seed", "+1"},
        {"--out", "a.gif", "--fps", "3"},
        {"--out", "a.gif", "extra"},
    };
    for (const auto& args : cases)
    {
        SCOPED_TRACE(testing::Message() << args.size() << " arguments"
                                        << (args.size() > 2 ? std::string(" ") + args[2] : ""));
        RecordOptions options;
        std::string error;
        EXPECT_FALSE(Parse(args, options, error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}
