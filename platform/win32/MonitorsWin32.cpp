// Windows monitors: every one the system enumerates, the primary first.

#include "platform/win32/Win32.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace
{
BOOL CALLBACK AddMonitor(HMONITOR hMonitor, HDC /*hdc*/, LPRECT /*lprc*/, LPARAM lParam)
{
    auto& rects = *reinterpret_cast<std::vector<std::pair<bool, CRect>>*>(lParam);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(hMonitor, &info))
    {
        const RECT& rc = info.rcMonitor;
        rects.emplace_back((info.dwFlags & MONITORINFOF_PRIMARY) != 0, CRect(rc.left, rc.top, rc.right, rc.bottom));
    }
    return TRUE;
}
}   // namespace

std::vector<CRect> AfxGetMonitorRects()
{
    std::vector<std::pair<bool, CRect>> found;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&found));
    // The primary first, the others in the system's order.
    std::stable_partition(found.begin(), found.end(), [](const auto& monitor) { return monitor.first; });
    std::vector<CRect> rects;
    for (const auto& [bPrimary, rc] : found)
        rects.push_back(rc);
    if (rects.empty())
        rects.emplace_back(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return rects;
}
