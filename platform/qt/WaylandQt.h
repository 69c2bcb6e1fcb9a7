#pragma once
// The Qt back end on a Wayland compositor (WaylandQt.cpp): whether the run is on Wayland, and the
// presenter that puts the snow into a window's buffers there. The program chooses the platform
// (linux/MainLinux.cpp) before the first window.

#include "platform/FrameBuffer.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class QWindow;
struct wl_buffer;
struct wl_callback;
struct wl_shm_pool;
struct wl_surface;

namespace QtWayland
{
// Qt's platform is to be, or is, Wayland.
bool Chosen();
bool Active();
// Whether a compositor answers; says on stderr which of two things failed when none does.
bool HaveCompositor();
// Before the application: Qt loads no graphics driver (everything is drawn into shared memory;
// a driver's EGL would add some 50 MB), unless the user chose Qt's buffer integration.
void DrawInSoftware();
// The compositor's end ends the program with status 1 and a line saying so.
void WatchCompositor();
// Before the window is made: a top-most saver window goes full screen on the output holding rc's corner.
void PrepareSaverWindow(QWindow* pWindow, const CRect& rc);
}   // namespace QtWayland

// Puts the framebuffer into buffers of its own on a window's Wayland surface: only the rectangles
// that changed are written, damaged and committed, one frame at a time as the compositor asks for
// them (a frame callback), so an output the compositor does not show gets nothing drawn.
class CWaylandPresenter
{
public:
    explicit CWaylandPresenter(QWindow* pWindow);
    ~CWaylandPresenter();
    CWaylandPresenter(const CWaylandPresenter&) = delete;
    CWaylandPresenter& operator=(const CWaylandPresenter&) = delete;

    void Put(const CFrameBuffer& frame, const std::vector<CRect>& rects, bool bWhole);

private:
    // What a buffer lacks of the frame, per tile of 64 x 16 pixels: the box, in frame pixels, of the
    // areas committed from the other buffer since this one was last written. A flake's areas of two
    // frames overlap, so each tile's are joined before they are written once.
    static constexpr int kTileShiftX = 6;
    static constexpr int kTileShiftY = 4;
    struct Box
    {
        int x0 = 1, y0 = 1, x1 = 0, y1 = 0;   // inclusive; empty while x0 > x1
    };

    // A wl_buffer in the pool, and what it lacks of the frame.
    struct Buffer
    {
        wl_buffer* pBuffer = nullptr;
        std::uint32_t* pPixels = nullptr;
        bool bBusy = false;   // the compositor still reads it
        bool bMissesAll = true;
        std::vector<Box> missed;   // per tile, row by row
    };

    void AddDamage(const std::vector<CRect>& rects);
    void AddMissed(Buffer& buffer, const CRect& rc) const;
    void WriteRect(const CFrameBuffer& frame, Buffer& buffer, const CRect& rc) const;
    bool MakeBuffers(int cx, int cy);
    void FreeBuffers();
    void Write(const CFrameBuffer& frame, Buffer& buffer) const;
    static void OnRelease(void* pData, wl_buffer* pBuffer);
    static void OnFrameDone(void* pData, wl_callback* pCallback, std::uint32_t msec);

    QWindow* m_pWindow;
    wl_surface* m_pSurface = nullptr;          // the window's, as last seen (Qt makes another after a hide)
    wl_callback* m_pFrameCallback = nullptr;   // asked with the last commit, not yet answered
    int m_cx = 0;
    int m_cy = 0;
    int m_tilesX = 0;
    int m_nFd = -1;
    std::size_t m_nBytes = 0;
    void* m_pMemory = nullptr;
    wl_shm_pool* m_pPool = nullptr;
    Buffer m_buffers[2];
    // The areas changed since the last commit, to damage with the next.
    std::vector<CRect> m_damage;
    bool m_bDamageAll = true;
};
