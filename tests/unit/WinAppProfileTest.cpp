#include "platform/WinApp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace
{
#ifdef _WIN32
const std::string kNewLine = "\r\n";
#else
const std::string kNewLine = "\n";
#endif

// An application whose profile lives in a folder of its own, removed afterwards.
class ProfileApp
{
public:
    ProfileApp()
    {
        std::random_device random;
        m_dir = fs::temp_directory_path() / ("kelvane-profile-" + std::to_string(random()) + std::to_string(random()));
        fs::create_directory(m_dir);
        app.m_strProfileName = (m_dir / "kelvane.ini").string();
    }
    ~ProfileApp()
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    ProfileApp(const ProfileApp&) = delete;
    ProfileApp& operator=(const ProfileApp&) = delete;

    void Put(const std::string& bytes) const { std::ofstream(app.m_strProfileName, std::ios::binary) << bytes; }
    std::string Get() const
    {
        std::ifstream in(app.m_strProfileName, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    const fs::path& Dir() const { return m_dir; }

    CWinApp app;

private:
    fs::path m_dir;
};

#ifndef _WIN32
// Sets an environment variable for one scope, restoring its old value after.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { m_old ? setenv(m_name, m_old->c_str(), 1) : unsetenv(m_name); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};
#endif
}

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
