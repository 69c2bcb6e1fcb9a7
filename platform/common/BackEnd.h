#pragma once
// What the shared frame code asks of the back end linked into the executable.

class CWinApp;
struct CWinAppImpl;

// The back end's per-application state (message queue, windows, screen), made with the
// application object and destroyed with it.
CWinAppImpl* AfxNewAppImpl(CWinApp* pApp);
void AfxDeleteAppImpl(CWinAppImpl* pImpl);
