#pragma once
// What the shared frame code asks of the back end linked into the executable.

#include "platform/Types.h"

#include <cstdint>
#include <string>

class CDialog;
class CWinApp;
class CWnd;
struct CWinAppImpl;
struct DialogTemplate;

// The back end's per-application state (message queue, windows, screen), made with the
// application object and destroyed with it.
CWinAppImpl* AfxNewAppImpl(CWinApp* pApp);
void AfxDeleteAppImpl(CWinAppImpl* pImpl);

// The platform's own handling of the message pWnd is handling now (Win32's DefWindowProc); 0 when
// it handles none. CWnd::Default() and so every handler's default land here.
std::intptr_t AfxDefaultHandling(CWnd* pWnd);

// Moves the keyboard focus to pWnd's window, once the shared rules allow it; returns the window that
// had the focus. An edit that loses it tells its dialog (EN_KILLFOCUS) at once.
CWnd* AfxSetFocus(CWnd* pWnd);

// Something is about to take the mouse and the keyboard from the program's windows (a message box):
// an arrow held down lets go, and a control that holds the mouse gives it up.
void AfxCancelMode();

// Shows a modal message box over pOwner (nullptr: none) and returns the button that closed it. The
// box takes the keyboard focus while it is open and gives it back when it closes.
int AfxShowMessageBox(CWnd* pOwner, const std::string& strCaption, const std::string& strText, UINT nType,
                      UINT nIDHelp);

// Makes the dialog's window and controls from pTemplate, runs it until EndDialog and returns its
// result; -1 when the window could not be made.
int AfxRunModalDialog(CDialog* pDlg, const DialogTemplate* pTemplate);
// The dialog's modal run ends: the focus leaves its controls now, the window goes once its loop sees it.
void AfxEndModalDialog(CDialog* pDlg);
