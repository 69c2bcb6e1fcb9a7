// The program's entry on Windows: the arguments as UTF-8, then the shared frame.

#include "platform/win32/Win32.h"

namespace
{
// The executable's full, long path: the system may start a saver by its short 8.3 name
// (KELVAN~1.SCR), which would otherwise name another profile.
std::string ModulePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;)
    {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size())
        {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    std::wstring longPath(path.size() + MAX_PATH, L'\0');
    const DWORD n = GetLongPathNameW(path.c_str(), longPath.data(), static_cast<DWORD>(longPath.size()));
    if (n > 0 && n < longPath.size())
        path.assign(longPath.data(), n);
    return Win32::Narrow(path);
}
}   // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    // The wide argument vector keeps every character, whatever the code page.
    std::vector<std::string> args;
    for (int i = 0; i < __argc; ++i)
        args.push_back(Win32::Narrow(__wargv[i]));
    if (const std::string module = ModulePath(); !args.empty() && !module.empty())
        args[0] = module;
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    return AfxWinMain(__argc, argv.data());
}
