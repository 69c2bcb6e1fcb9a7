#pragma once
// The Qt back end on a Wayland compositor (WaylandQt.cpp): whether the run is on Wayland, and the
// presenter that puts the snow into a window's buffers there. The program chooses the platform
// (linux/MainLinux.cpp) before the first window.

#include "platform/FrameBuffer.h"

#include <memory>
#include <vector>

class QBackingStore;
class QWindow;

namespace QtWayland
{
// Qt's platform is to be, or is, Wayland.
bool Chosen();
bool Active();
// Whether a compositor answers; says on stderr which of two things failed when none does.
bool HaveCompositor();
// The compositor's end ends the program with status 1 and a line saying so.
void WatchCompositor();
// Before the window is made: a top-most saver window goes full screen on the output holding rc's corner.
void PrepareSaverWindow(QWindow* pWindow, const CRect& rc);
}   // namespace QtWayland

// Puts framebuffer rectangles into a window's shared-memory buffers through Qt's backing store,
// damaging only those rectangles; draws nothing while the window is not exposed.
class CWaylandPresenter
{
public:
    explicit CWaylandPresenter(QWindow* pWindow);
    ~CWaylandPresenter();
    CWaylandPresenter(const CWaylandPresenter&) = delete;
    CWaylandPresenter& operator=(const CWaylandPresenter&) = delete;

    void Put(const CFrameBuffer& frame, const std::vector<CRect>& rects, bool bWhole);

private:
    QWindow* m_pWindow;
    std::unique_ptr<QBackingStore> m_store;
};
