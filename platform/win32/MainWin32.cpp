// The program's entry on Windows: the arguments as UTF-8, then the shared frame.

#include "platform/win32/Win32.h"

#include <cstdlib>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    // The wide argument vector keeps every character of the executable's path, whatever the code page.
    std::vector<std::string> args;
    for (int i = 0; i < __argc; ++i)
        args.push_back(Win32::Narrow(__wargv[i]));
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    return AfxWinMain(__argc, argv.data());
}
