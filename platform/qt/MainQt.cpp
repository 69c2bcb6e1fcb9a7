// The Linux desktop program's entry: xscreensaver's settings options stand in for the profile's
// entries during this run, its window options become the preview switch, then the application
// frame runs.

#include "app/SnowParams.h"
#include "platform/WinApp.h"
#include "platform/qt/QtImpl.h"
#include "platform/qt/XScreenSaverArgs.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
const char kUsage[] =
    "Usage: kelvane [/s | /p ID | /c] [--period MS] [--count N] [--pixel-ratio R] [--delta-time S]\n"
    "               [--gravitation G] [--resistance R] [--flutter F]\n"
    "       kelvane -root | -window-id ID\n"
    "Snow falling on a black screen: a screen saver, also for xscreensaver.\n"
    "\n"
    "  /s             save the screen until the first key, click or mouse movement\n"
    "  /p ID          snow in the X window ID (decimal), following its size\n"
    "  /c, nothing    the settings dialog, which edits the profile\n"
    "  -root          snow in the window XSCREENSAVER_WINDOW names, else in the root window\n"
    "  -window-id ID  snow in the window ID (hex or decimal)\n"
    "  --period ...   a setting for this run only, in place of the profile's\n"
    "  --help         this text;  --version  the version\n"
    "\n"
    "The profile is kelvane.ini in $XDG_CONFIG_HOME, or in ~/.config. See kelvane(6).\n";

// Asked before anything that needs a display: the answer is text only.
bool AnswerInformationOptions(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--help") == 0)
        {
            std::fputs(kUsage, stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0)
        {
            std::fputs("kelvane " KELVANE_VERSION "\n", stdout);
            return true;
        }
    }
    return false;
}
}   // namespace

int main(int argc, char** argv)
{
    if (AnswerInformationOptions(argc, argv))
        return 0;
    XScreenSaverSettings settings = TakeXScreenSaverSettings(argc, argv);
    if (CWinApp* pApp = AfxGetApp(); pApp != nullptr)
        for (const auto& [strEntry, strValue] : settings.overrides)
            pApp->m_profileOverrides[{kSnowSection, strEntry}] = strValue;
    std::vector<char*> argvRest;
    for (std::string& arg : settings.args)
        argvRest.push_back(arg.data());
    argvRest.push_back(nullptr);
    argc = static_cast<int>(settings.args.size());
    argv = argvRest.data();
    QtChoosePlatform(argc, argv);

    const XScreenSaverTarget target = FindXScreenSaverTarget(argc, argv, std::getenv("XSCREENSAVER_WINDOW"));
    std::vector<std::string> args;
    switch (target.kind)
    {
    case XScreenSaverTarget::Kind::None: break;
    case XScreenSaverTarget::Kind::Invalid: return 0;   // names no window: nothing to draw into
    case XScreenSaverTarget::Kind::Root:
        args = PreviewArgs(argc > 0 ? argv[0] : nullptr, static_cast<std::uint32_t>(QtX11::RootWindow()));
        break;
    case XScreenSaverTarget::Kind::Window: args = PreviewArgs(argc > 0 ? argv[0] : nullptr, target.nWindow); break;
    }
    std::vector<char*> argvPreview;
    for (std::string& arg : args)
        argvPreview.push_back(arg.data());
    argvPreview.push_back(nullptr);

    const int nExitCode = args.empty() ? AfxWinMain(argc, argv)
                                       : AfxWinMain(static_cast<int>(args.size()), argvPreview.data());
    QtShutdown();
    // The mode needed a display and found none: that is no success, whatever the program made of it.
    return QtHadNoDisplay() ? kExitNoDisplay : nExitCode;
}
