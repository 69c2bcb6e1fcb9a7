// The Linux desktop program's entry: xscreensaver's settings options stand in for the profile's
// entries during this run, its window options become the preview switch, then the application
// frame runs.

#include "app/SnowParams.h"
#include "platform/WinApp.h"
#include "platform/qt/QtImpl.h"
#include "platform/qt/XScreenSaverArgs.h"

#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
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
