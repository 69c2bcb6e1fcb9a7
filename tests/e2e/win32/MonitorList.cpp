// The monitors as the Windows back end reports them, run under Wine by the end-to-end tests: one
// line each, left top right bottom, in the back end's order (the primary first).
//   kelvane-monitors

#include "platform/win32/Win32.h"

#include <cstdio>

int main()
{
    for (const CRect& rc : AfxGetMonitorRects())
        std::printf("%d %d %d %d\n", rc.left, rc.top, rc.right, rc.bottom);
    return 0;
}
