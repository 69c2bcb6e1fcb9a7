#pragma once
// The application: reads the switch the system started it with and runs that mode.

#include "platform/WinApp.h"

class CSaverApp : public CWinApp
{
public:
    // true for the saving and preview modes, which run until their window is gone.
    bool InitInstance() override;

    // Settings mode: runs modally and stores the settings if the user accepts them.
    void RunSettings();
};
