#pragma once
// The full-screen saver: a snow window over the whole primary screen, and one over each other
// monitor, top-most, without a cursor, that closes at the first sign of the user.

#include "snow/SnowWnd.h"

#include <vector>

class CSaverWnd : public CSnowWnd
{
public:
    CSaverWnd();   // deletes itself once its window is gone

    // Creates the window over (0, 0, screen width, screen height), top-most; false when it could not be made.
    bool CreateFullScreen();

    // Gives every monitor this window does not cover a saver of its own, and keeps doing so as
    // monitors come and go. The others close on the user as this one does, and end the program.
    void CoverOtherMonitors();
    // A saver over one monitor beside the primary: top-most, and shown without taking the
    // activation, so that the savers never deactivate one another.
    bool CreateOnMonitor(const CRect& rcMonitor);

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
    void OnDisplayChange() override;

private:
    // The first mouse position the system reported, on the screen; (-1, -1) until then. Only a move
    // away from it closes. The savers of the other monitors use the one of the saver that made them.
    CPoint m_ptLast{-1, -1};
    bool m_bPointerSeen = false;   // (-1, -1) is a real place on a monitor left of and above the primary

    CRect m_rcMonitor;                  // the monitor it was made to cover
    bool m_bEndsProgram = true;         // false once its monitor has gone: the saver runs on over the others
    bool m_bCoversOthers = false;       // CoverOtherMonitors was asked for
    std::vector<CSaverWnd*> m_others;   // the savers it made for the other monitors, alive
    CSaverWnd* m_pCoverer = nullptr;    // the saver that made this one, while both are alive
};
