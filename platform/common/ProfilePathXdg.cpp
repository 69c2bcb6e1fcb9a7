// Where the profile lives on a desktop that follows the XDG folders: $XDG_CONFIG_HOME, else ~/.config.

#include "platform/WinApp.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

#include <cerrno>
#include <pwd.h>
#include <unistd.h>

namespace
{
bool IsAbsolute(const char* path)
{
    return path && path[0] == '/';
}

// The home folder from the user database, for sessions started without HOME.
std::string HomeFromPasswd()
{
    std::vector<char> buffer(16 * 1024);
    for (;;)
    {
        passwd entry{};
        passwd* found = nullptr;
        const int err = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found);
        if (err == ERANGE && buffer.size() < 1024 * 1024)
        {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (err != 0 || !found || !IsAbsolute(found->pw_dir))
            return {};
        return found->pw_dir;
    }
}
}   // namespace

// $XDG_CONFIG_HOME/<exe>.ini, else ~/.config/<exe>.ini; a relative XDG_CONFIG_HOME or HOME is
// ignored, as it would move with the working folder. "" when there is no home: no profile.
std::string AfxProfilePathFor(const std::string& strExeName)
{
    if (strExeName.empty() || strExeName.find('/') != std::string::npos)
        return {};
    const std::string fileName = strExeName + ".ini";
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); IsAbsolute(xdg))
        return (std::filesystem::path(xdg) / fileName).string();
    const char* homeVar = std::getenv("HOME");
    const std::string home = IsAbsolute(homeVar) ? std::string(homeVar) : HomeFromPasswd();
    if (home.empty())
        return {};
    return (std::filesystem::path(home) / ".config" / fileName).string();
}
