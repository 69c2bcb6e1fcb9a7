// Headless monitors: the screen alone, or the rectangles a test sets.

#include "platform/WinApp.h"
#include "platform/headless/HeadlessImpl.h"

#include <cstdint>

std::vector<CRect> AfxGetMonitorRects()
{
    const CWinAppImpl& s = HeadlessState();
    if (s.monitors.empty())
        return {CRect(0, 0, s.cxScreen, s.cyScreen)};
    return s.monitors;
}

namespace Headless
{
void SetMonitors(const std::vector<CRect>& rects)
{
    CWinAppImpl& s = HeadlessState();
    s.monitors = rects;
    if (!rects.empty())
    {
        s.cxScreen = rects.front().Width();
        s.cyScreen = rects.front().Height();
    }
    // As on Win32: the colour depth, and the primary's size packed as a point.
    const auto lParam = static_cast<std::intptr_t>((static_cast<std::uint32_t>(s.cyScreen & 0xFFFF) << 16) |
                                                   static_cast<std::uint32_t>(s.cxScreen & 0xFFFF));
    // A handler may make or end windows meanwhile: each window is looked up as its turn comes.
    for (const WindowHandle hWnd : TopLevelWindows())
        if (CWndImpl* pImpl = s.Find(hWnd); pImpl != nullptr && !pImpl->bDestroying)
            pImpl->Dispatch(WM_DISPLAYCHANGE, 32, lParam);
}

void SetDisplayPower(bool bOn)
{
    CWinAppImpl& s = HeadlessState();
    std::vector<WindowHandle> tops;
    for (const auto& [hWnd, pImpl] : s.windows)
        if (!pImpl->bHost && (pImpl->pParent == nullptr || pImpl->pParent->bHost))
            tops.push_back(hWnd);
    for (const WindowHandle hWnd : tops)
        if (CWndImpl* pImpl = s.Find(hWnd); pImpl != nullptr && !pImpl->bDestroying)
            pImpl->Dispatch(WM_DISPLAYPOWER, bOn ? 1 : 0, 0);
}
}   // namespace Headless
