// Unit tests of the seven settings in the profile and of the number texts they travel as.

#include "snow/SnowParams.h"

#include "TestSupport.h"
#include "platform/WinApp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <string>

namespace
{
class SnowParamsTest : public testing::Test
{
protected:
    SnowParamsTest() { m_app.m_strProfileName = m_dir.Path("kelvane.ini"); }

    void WriteProfile(const std::string& text) { TestSupport::WriteFile(m_app.m_strProfileName, text); }
    std::string Profile() const { return TestSupport::ReadFile(m_app.m_strProfileName); }

    TestSupport::TempDir m_dir;
    CWinApp m_app;
};
}   // namespace

TEST_F(SnowParamsTest, AbsentOrEmptyProfileGivesTheDefaults)
{
    const SnowParams defaults;
    EXPECT_EQ(ReadSnowParams(), defaults);
    WriteProfile("");
    EXPECT_EQ(ReadSnowParams(), defaults);
    EXPECT_EQ(defaults.m_nPeriod, 40u);
    EXPECT_EQ(defaults.m_nCount, 100u);
    EXPECT_EQ(defaults.m_dPixelRatio, 210.0);
    EXPECT_EQ(defaults.m_dDeltaTime, 0.05);
    EXPECT_EQ(defaults.m_dGravitation, 9.8);
    EXPECT_EQ(defaults.m_dResistance, 0.25);
    EXPECT_EQ(defaults.m_dFlutter, 50.0);
}

TEST_F(SnowParamsTest, WritesTheSevenKeysInOrderAsDecimalAndG)
{
    SnowParams params;
    params.m_nCount = 4000000000u;   // written as the int it is bit for bit, read back the same
    params.m_dPixelRatio = 1234567.0;
    params.m_dDeltaTime = 0.0123456789;
    ASSERT_TRUE(WriteSnowParams(params));
    EXPECT_EQ(Profile(), "[Config-Ver102]\nPeriod=40\nCount=-294967296\nPixelRatio=1.23457e+06\nDeltaTime=0.0123457\n"
                         "Gravitation=9.8\nResistance=0.25\nFlutter=50\n");
    const SnowParams read = ReadSnowParams();
    EXPECT_EQ(read.m_nCount, 4000000000u);
    EXPECT_EQ(read.m_dPixelRatio, 1234570.0);
    EXPECT_EQ(read.m_dDeltaTime, 0.0123457);
}

TEST_F(SnowParamsTest, SixSignificantDigitsSurviveAWriteAndARead)
{
    SnowParams params;
    params.m_nPeriod = 1000;
    params.m_nCount = 9999;
    params.m_dPixelRatio = 50.0;
    params.m_dDeltaTime = 0.001;
    params.m_dGravitation = 99.9;
    params.m_dResistance = 0.123456;
    params.m_dFlutter = 0.0;
    ASSERT_TRUE(WriteSnowParams(params));
    EXPECT_EQ(ReadSnowParams(), params);
}

TEST_F(SnowParamsTest, DoublesReadAsAtofReadsThem)
{
    WriteProfile("[Config-Ver102]\nDeltaTime=0.05\nGravitation=letters\nResistance=2.5abc\n"
                 "Flutter=1.23457e+006\nPixelRatio=  -3e2\n");
    const SnowParams params = ReadSnowParams();
    EXPECT_EQ(params.m_dDeltaTime, 0.05);
    EXPECT_EQ(params.m_dGravitation, 0.0);
    EXPECT_EQ(params.m_dResistance, 2.5);
    EXPECT_EQ(params.m_dFlutter, 1234570.0);   // a three-digit exponent reads like a two-digit one
    EXPECT_EQ(params.m_dPixelRatio, -300.0);   // negative but meaningful: kept as written
}

TEST_F(SnowParamsTest, ValuesThatBreakTheArithmeticFallBackToTheirDefaults)
{
    // A decimal too large for a double reads as infinity; letters read as 0, a meaningful value.
    WriteProfile("[Config-Ver102]\nPeriod=0\nCount=4000000000\nPixelRatio=1" + std::string(400, '0') +
                 "\nDeltaTime=nan\nGravitation=1e308\nResistance=0.0\nFlutter=-1e400\n");
    const SnowParams params = ReadSnowParams();
    const SnowParams defaults;
    EXPECT_EQ(params.m_nPeriod, 0u);           // the timer's own lower limit handles it
    EXPECT_EQ(params.m_nCount, 4000000000u);   // the snow window caps what it creates
    EXPECT_EQ(params.m_dPixelRatio, defaults.m_dPixelRatio);
    EXPECT_EQ(params.m_dDeltaTime, 0.0);
    EXPECT_EQ(params.m_dGravitation, 1e308);
    EXPECT_EQ(params.m_dResistance, defaults.m_dResistance);
    EXPECT_EQ(params.m_dFlutter, defaults.m_dFlutter);
}

TEST_F(SnowParamsTest, WriteKeepsTheRestOfTheProfile)
{
    SnowParams params;
    params.m_nPeriod = 25;
    params.m_dFlutter = 0.5;
    const auto lines = [](std::initializer_list<const char*> texts, const std::string& lineBreak) {
        std::string text;
        for (const char* t : texts)
            text.append(t).append(lineBreak);
        return text;
    };
    const auto record = [&](const std::string& lineBreak) {
        return lines({"[Config-Ver102]", "Period=25", "Count=100", "PixelRatio=210", "DeltaTime=0.05",
                      "Gravitation=9.8", "Resistance=0.25", "Flutter=0.5"},
                     lineBreak);
    };
    struct Case
    {
        const char* name;
        std::string before;
        std::string after;
    };
    const Case cases[] = {
        {"empty profile", "", record(TestSupport::kNewLine)},
        {"other sections", "; mine\r\n[Other]\r\nPeriod=1", "; mine\r\n[Other]\r\nPeriod=1\r\n" + record("\r\n")},
        {"some keys there among others",
         "[other]\nx=1\n[config-ver102]\n FLUTTER = 3 \n; note\nExtra=1\n\nperiod=7\n[z]\n",
         "[other]\nx=1\n[config-ver102]\nFLUTTER=0.5\n; note\nExtra=1\n\nperiod=25\n" +
             lines({"Count=100", "PixelRatio=210", "DeltaTime=0.05", "Gravitation=9.8", "Resistance=0.25", "[z]"},
                   "\n")},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        WriteProfile(c.before);
        ASSERT_TRUE(WriteSnowParams(params));
        EXPECT_EQ(Profile(), c.after);
        EXPECT_EQ(ReadSnowParams(), params);
    }
}

TEST_F(SnowParamsTest, AFailedWriteLeavesTheOldSettingsWhole)
{
    // Rewriting Period and Count alone would fit the file-size limit; all seven keys do not.
    const std::string old = "[Config-Ver102]\nPeriod=1\nCount=2\n" + std::string(1000, ';') + "\n";
    WriteProfile(old);
    EXPECT_EQ(TestSupport::ReturnedInChild([] { return WriteSnowParams(SnowParams{}); }, old.size() + 3), false);
    EXPECT_EQ(Profile(), old);
}

TEST_F(SnowParamsTest, GarbageAroundTheSectionIsIgnored)
{
    std::string garbage(1 << 20, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>((i * 2654435761u) >> 13);
    WriteProfile(garbage + "\n" + std::string(3 << 20, 'x') + "\n[config-ver102]\n  count = 77 \n" + garbage);
    SnowParams expected;
    expected.m_nCount = 77;
    EXPECT_EQ(ReadSnowParams(), expected);
}

TEST_F(SnowParamsTest, AFailedWriteIsReported)
{
    TestSupport::WriteFile(m_dir.Path("file"), "not a folder");
    m_app.m_strProfileName = m_dir.Path("file") + "/kelvane.ini";
    EXPECT_FALSE(WriteSnowParams(SnowParams{}));
    EXPECT_FALSE(WriteProfileDouble(kSnowSection, "Flutter", 1.0));
}

TEST(FormatG, MatchesPrintfG)
{
    const std::pair<double, const char*> cases[] = {
        {0.05, "0.05"},       {210.0, "210"},
        {9.8, "9.8"},         {1234567.0, "1.23457e+06"},
        {0.0001, "0.0001"},   {0.00001, "1e-05"},
        {123456.0, "123456"}, {-0.0, "-0"},
        {1e308, "1e+308"},    {std::numeric_limits<double>::infinity(), "inf"},
    };
    for (auto [value, text] : cases)
    {
        SCOPED_TRACE(text);
        EXPECT_EQ(FormatG(value), text);
    }
}

TEST(AtoF, LeadingNumberOrZero)
{
    const std::pair<const char*, double> cases[] = {
        {"0.05", 0.05},
        {"  \t+2.5", 2.5},
        {"-.5x", -0.5},
        {"1e", 1.0},
        {"abc", 0.0},
        {"", 0.0},
        {"+-1", 0.0},
        {"0x1A", 0.0},
        {"1e400", std::numeric_limits<double>::infinity()},
        {"-1e400", -std::numeric_limits<double>::infinity()},
        {"1e-400", 0.0},
        {"0.000000000000000000000000000001e400", std::numeric_limits<double>::infinity()},
        {"12345678901234567890", 12345678901234567890.0},
    };
    for (auto [text, value] : cases)
    {
        SCOPED_TRACE(text);
        EXPECT_EQ(AtoF(text), value);
    }
    EXPECT_EQ(AtoF("2.5abc"), 2.5);
    EXPECT_EQ(AtoF("  -3e2x"), -300.0);
    EXPECT_EQ(AtoF("1" + std::string(400, '0')), std::numeric_limits<double>::infinity());
}

TEST(AtoF, LettersAreNoNumber)
{
    for (const char* text :
         {"inf", "nan", "Infinity", "INF", "-inf", "+NaN", "nan(1)", " \tinfinity", "-Infinity5", "e5", "-.e1"})
    {
        SCOPED_TRACE(text);
        const double dValue = AtoF(text);
        EXPECT_EQ(dValue, 0.0);
        EXPECT_FALSE(std::signbit(dValue));
    }
}
