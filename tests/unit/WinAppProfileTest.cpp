// Unit tests of the application's profile calls and of where the profile lives on an XDG desktop.

#include "platform/WinApp.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace
{
using TestSupport::kNewLine;

// An application whose profile lives in a folder of its own, removed afterwards.
class ProfileApp
{
public:
    ProfileApp() { app.m_strProfileName = m_dir.Path("kelvane.ini"); }

    void Put(const std::string& bytes) const { TestSupport::WriteFile(app.m_strProfileName, bytes); }
    std::string Get() const { return TestSupport::ReadFile(app.m_strProfileName); }
    const fs::path& Dir() const { return m_dir.Dir(); }

    CWinApp app;

private:
    TestSupport::TempDir m_dir;
};

using TestSupport::ScopedEnv;
}   // namespace

TEST(WinAppProfile, IntGivesDefaultWhenMissingOrEmpty)
{
    ProfileApp p;
    p.Put("[Snow]\nEmpty=\nQuoted=\"\"\nWord=abc\nSpaced = 12 flakes\n");
    EXPECT_EQ(p.app.GetProfileInt("Snow", "Missing", 7), 7u);
    EXPECT_EQ(p.app.GetProfileInt("Other", "Word", 7), 7u);
    EXPECT_EQ(p.app.GetProfileInt("Snow", "Empty", 7), 7u);
    EXPECT_EQ(p.app.GetProfileInt("Snow", "Quoted", 7), 7u);
    EXPECT_EQ(p.app.GetProfileInt("Snow", "Word", 7), 0u);
    EXPECT_EQ(p.app.GetProfileInt("snow", "spaced", 7), 12u);
    EXPECT_EQ(p.app.GetProfileInt("Snow", "Missing", -5), 4294967291u);
    p.app.m_strProfileName.clear();
    EXPECT_EQ(p.app.GetProfileInt("Snow", "Spaced", 7), 7u);
}

TEST(WinAppProfile, IntRoundTripsThroughNegativeText)
{
    ProfileApp p;
    ASSERT_TRUE(p.app.WriteProfileInt("Snow", "Count", static_cast<int>(4000000000u)));
    EXPECT_EQ(p.Get(), "[Snow]" + kNewLine + "Count=-294967296" + kNewLine);
    EXPECT_EQ(p.app.GetProfileInt("Snow", "Count", 0), 4000000000u);
}

TEST(WinAppProfile, StringGivesValueOrTrimmedDefault)
{
    ProfileApp p;
    p.Put("[Snow]\nName = \"  flakes \" \n");
    EXPECT_EQ(p.app.GetProfileString("Snow", "Name", "x"), "  flakes ");
    EXPECT_EQ(p.app.GetProfileString("Snow", "Missing", "  abc \t "), "  abc");
    EXPECT_EQ(p.app.GetProfileString("Snow", "Missing"), "");
    EXPECT_EQ(p.app.GetProfileString("Snow", "Missing", std::string(5000, 'd').c_str()), std::string(4095, 'd'));
}

TEST(WinAppProfile, WritesReportFailure)
{
    ProfileApp p;
    std::ofstream((p.Dir() / "file").string()) << "x";
    p.app.m_strProfileName = (p.Dir() / "file" / "kelvane.ini").string();
    EXPECT_FALSE(p.app.WriteProfileString("Snow", "Name", "v"));
    EXPECT_FALSE(p.app.WriteProfileInt("Snow", "Count", 1));

    p.app.m_strProfileName.clear();
    EXPECT_FALSE(p.app.WriteProfileString("Snow", "Name", "v"));
    EXPECT_EQ(p.app.GetProfileString("Snow", "Name", "d"), "d");

    p.app.m_strProfileName = (p.Dir() / "kelvane.ini").string();
    EXPECT_TRUE(p.app.WriteProfileString("Snow", "Name", nullptr));
    EXPECT_EQ(p.Get(), "[Snow]" + kNewLine + "Name=" + kNewLine);
}

TEST(WinAppProfile, WriteStringsSetsSeveralEntriesAtOnce)
{
    ProfileApp p;
    p.Put("[Snow]\r\nCOUNT=1\r\n");
    ASSERT_TRUE(p.app.WriteProfileStrings("Snow", {{"Period", "40"}, {"Count", "100"}, {"Name", ""}}));
    const std::string written = "[Snow]\r\nCOUNT=100\r\nPeriod=40\r\nName=\r\n";
    EXPECT_EQ(p.Get(), written);
    EXPECT_FALSE(p.app.WriteProfileStrings(nullptr, {{"Period", "1"}}));
    EXPECT_FALSE(p.app.WriteProfileStrings("Snow", {{"Period", "1"}, {"period", "2"}}));
    EXPECT_FALSE(p.app.WriteProfileStrings("Snow", {}));
    EXPECT_EQ(p.Get(), written);
    p.app.m_strProfileName.clear();
    EXPECT_FALSE(p.app.WriteProfileStrings("Snow", {{"Period", "1"}}));
}

TEST(WinAppProfile, OverridesAreReadFirstAndNeverWritten)
{
    ProfileApp p;
    const std::string bytes = "[Snow]\r\nCount=7\r\nPeriod=40\r\n";
    p.Put(bytes);
    p.app.m_profileOverrides[{"Snow", "Count"}] = "500";
    p.app.m_profileOverrides[{"Snow", "Flutter"}] = "12.5";
    p.app.m_profileOverrides[{"Other", "Period"}] = "1";
    struct Case
    {
        const char* entry;
        UINT nInt;
        std::string text;
    };
    for (const Case& c :
         {Case{"Count", 500, "500"}, Case{"Flutter", 12, "12.5"}, Case{"Period", 40, "40"}, Case{"Missing", 3, "dflt"}})
    {
        SCOPED_TRACE(c.entry);
        EXPECT_EQ(p.app.GetProfileInt("Snow", c.entry, 3), c.nInt);
        EXPECT_EQ(p.app.GetProfileString("Snow", c.entry, "dflt"), c.text);
    }
    // A write goes to the file and the override still stands in for it during the run.
    ASSERT_TRUE(p.app.WriteProfileString("Snow", "Count", "8"));
    EXPECT_EQ(p.Get(), "[Snow]\r\nCount=8\r\nPeriod=40\r\n");
    EXPECT_EQ(p.app.GetProfileInt("Snow", "Count", 3), 500u);
    // Without a profile file the overrides are all there is.
    p.app.m_strProfileName.clear();
    EXPECT_EQ(p.app.GetProfileInt("Snow", "Count", 3), 500u);
    EXPECT_EQ(p.app.GetProfileString("Snow", "Period", "40 "), "40");
}

#ifndef _WIN32
TEST(ProfilePathXdg, PrefersAbsoluteXdgThenHome)
{
    struct Case
    {
        const char* xdg;
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {"/x/config", "/home/u", "/x/config/kelvane.ini"},
        {"relative", "/home/u", "/home/u/.config/kelvane.ini"},
        {"", "/home/u", "/home/u/.config/kelvane.ini"},
        {nullptr, "/home/u", "/home/u/.config/kelvane.ini"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.xdg ? c.xdg : "(unset)");
        const ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
        const ScopedEnv home("HOME", c.home);
        EXPECT_EQ(AfxProfilePathFor("kelvane"), c.expected);
    }
    const ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
    const ScopedEnv home("HOME", "");
    const std::string fromPasswd = AfxProfilePathFor("kelvane");
    EXPECT_TRUE(fromPasswd.empty() || (fromPasswd.front() == '/' && fromPasswd.ends_with("/.config/kelvane.ini")))
        << fromPasswd;
    EXPECT_EQ(AfxProfilePathFor(""), "");
    EXPECT_EQ(AfxProfilePathFor("../evil"), "");
}
#endif
