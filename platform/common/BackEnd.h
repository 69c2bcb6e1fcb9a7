#pragma once
// What the shared frame code asks of the back end linked into the executable.

#include <cstdint>

class CWinApp;
class CWnd;
struct CWinAppImpl;

// The back end's per-application state (message queue, windows, screen), made with the
// application object and destroyed with it.
CWinAppImpl* AfxNewAppImpl(CWinApp* pApp);
void AfxDeleteAppImpl(CWinAppImpl* pImpl);

// The platform's own handling of the message pWnd is handling now (Win32's DefWindowProc); 0 when
// it handles none. CWnd::Default() and so every handler's default land here.
std::intptr_t AfxDefaultHandling(CWnd* pWnd);
