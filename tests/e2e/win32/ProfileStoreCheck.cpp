// The profile store on Windows, run under Wine by the end-to-end tests: UTF-8 paths reach the
// system as UTF-16, new files get CR LF, a rewrite replaces the file whole, and a file that cannot
// be replaced stays as it was. Prints each failure; exits 1 if there was one.
//   kelvane-profile-check FOLDER

#include "platform/win32/Win32.h"

#include "platform/common/IniFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace
{
int g_nFailures = 0;

void Check(bool bOk, const char* what)
{
    if (!bOk)
    {
        std::printf("FAIL: %s\n", what);
        ++g_nFailures;
    }
}

std::string Utf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string Contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::size_t EntriesIn(const fs::path& folder)
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
        ++n;
    return n;
}
}   // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2)
        return 2;
    // A folder that does not exist yet, with a name outside every ANSI code page's reach of ASCII.
    const fs::path folder = fs::path(argv[1]) / L"\u96ea\u306e\u8a2d\u5b9a";
    const fs::path file = folder / L"kelvane.ini";
    const std::string path = Utf8(file);

    Check(IniFile::WriteString(path, "Config-Ver102", "Count", "5"), "a new profile is written, with its folder");
    Check(Contents(file) == "[Config-Ver102]\r\nCount=5\r\n", "a new profile has Windows line breaks");
    Check(IniFile::ReadString(path, "config-ver102", "COUNT") == "5", "the value reads back through the UTF-8 path");

    Check(IniFile::WriteString(path, "Config-Ver102", "Count", "7"), "an existing key is rewritten");
    Check(IniFile::WriteString(path, "Config-Ver102", "Period", "40"), "a new key is added");
    Check(Contents(file) == "[Config-Ver102]\r\nCount=7\r\nPeriod=40\r\n", "the rewritten profile holds both keys");
    Check(EntriesIn(folder) == 1, "no temporary file is left beside the profile");

    // While another program holds the profile open without sharing it, it cannot be replaced: the
    // write says so, and the file stays whole.
    const HANDLE hHeld = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    Check(hHeld != INVALID_HANDLE_VALUE, "the profile can be held open");
    Check(!IniFile::WriteString(path, "Config-Ver102", "Count", "9"), "a held profile is not reported as written");
    CloseHandle(hHeld);
    Check(Contents(file) == "[Config-Ver102]\r\nCount=7\r\nPeriod=40\r\n", "a held profile keeps its contents");
    Check(EntriesIn(folder) == 1, "a failed write leaves no temporary file");

    // The program's own profile lives in the roaming application-data folder.
    wchar_t appData[MAX_PATH] = {};
    GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH);
    Check(AfxProfilePathFor("kelvane") == Utf8(fs::path(appData) / L"kelvane.ini"),
          "the profile is %APPDATA%\\kelvane.ini");
    Check(AfxProfilePathFor("a\\b").empty(), "an executable name with a folder in it names no profile");

    std::printf("%d failure(s)\n", g_nFailures);
    return g_nFailures == 0 ? 0 : 1;
}
