#pragma once
// The full-screen saver: a snow window over the whole primary screen, top-most, without a cursor,
// that closes at the first sign of the user.

#include "snow/SnowWnd.h"

class CSaverWnd : public CSnowWnd
{
public:
    CSaverWnd();   // deletes itself once its window is gone

    // Creates the window over (0, 0, screen width, screen height), top-most; false when it could not be made.
    bool CreateFullScreen();

protected:
    void OnSysCommand(UINT nID) override;
    void OnDestroy() override;
    bool OnSetCursor() override;
    bool OnNcActivate(bool bActive) override;
    void OnActivate(UINT nState) override;
    void OnActivateApp(bool bActive) override;
    void OnMouseMove(UINT nFlags, CPoint point) override;
    void OnLButtonDown(UINT nFlags, CPoint point) override;
    void OnMButtonDown(UINT nFlags, CPoint point) override;
    void OnRButtonDown(UINT nFlags, CPoint point) override;
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override;
    void OnSysKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override;

private:
    // The first mouse position the system reported; (-1, -1) until then. Only a move away from it closes.
    CPoint m_ptLast{-1, -1};
};
