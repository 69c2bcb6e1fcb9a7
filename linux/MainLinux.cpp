// The Linux desktop program's entry: xscreensaver's settings options stand in for the profile's
// entries during this run, its window options become the preview switch, then the application
// frame runs.

#include "linux/XScreenSaverArgs.h"
#include "platform/WinApp.h"
#include "platform/qt/QtImpl.h"
#include "snow/SnowParams.h"

#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
const char kUsage[] = "Usage: kelvane [/s | /p ID | /c] [--period MS] [--count N] [--pixel-ratio R] [--delta-time S]\n"
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

// Takes --wayland and --x11 out of the arguments and chooses Qt's platform for the run: Wayland
// for saving and settings in a Wayland session (WAYLAND_DISPLAY set) or with --wayland, X11
// otherwise. A QT_QPA_PLATFORM the user set wins. Called before the first window.
void ChoosePlatform(int& argc, char** argv)
{
    bool bWayland = false;
    bool bX11 = false;
    int nKept = 0;
    for (int i = 0; i < argc; ++i)
    {
        if (i > 0 && argv[i] != nullptr && std::strcmp(argv[i], "--wayland") == 0)
            bWayland = true;
        else if (i > 0 && argv[i] != nullptr && std::strcmp(argv[i], "--x11") == 0)
            bX11 = true;
        else
            argv[nKept++] = argv[i];
    }
    argv[nKept] = nullptr;
    argc = nKept;
    // The user's own choice of Qt platform wins; --x11 keeps the X11 back end.
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || bX11)
        return;
    const char* pszWayland = std::getenv("WAYLAND_DISPLAY");
    if (!bWayland && (pszWayland == nullptr || *pszWayland == '\0'))
        return;
    // Saving ("s") and settings ("c", or no switch) only: a window of another program to draw into
    // is an X window.
    const char* pszSwitch = argc > 1 ? argv[1] : "c";
    if (*pszSwitch == '-' || *pszSwitch == '/')
        ++pszSwitch;
    if ((*pszSwitch != 's' && *pszSwitch != 'c') ||
        FindXScreenSaverTarget(argc, argv, std::getenv("XSCREENSAVER_WINDOW")).kind != XScreenSaverTarget::Kind::None)
        return;
    qputenv("QT_QPA_PLATFORM", "wayland");
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
    ChoosePlatform(argc, argv);

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

    const int nExitCode =
        args.empty() ? AfxWinMain(argc, argv) : AfxWinMain(static_cast<int>(args.size()), argvPreview.data());
    QtShutdown();
    // The mode needed a display and found none: that is no success, whatever the program made of it.
    return QtHadNoDisplay() ? kExitNoDisplay : nExitCode;
}
