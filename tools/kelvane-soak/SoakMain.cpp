// kelvane-soak: a million ticks of a snow window on the headless back end, with the heap in use
// and the resident memory at the start and at the end: a saver runs for days, so a tick may keep
// nothing.

#include "platform/WinApp.h"
#include "platform/headless/Headless.h"
#include "snow/SnowWnd.h"

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace
{
long long HeapInUse()
{
    return static_cast<long long>(mallinfo2().uordblks);
}

long long ResidentBytes()
{
    long long nPages = 0;
    long long nResident = 0;
    std::ifstream("/proc/self/statm") >> nPages >> nResident;
    return nResident * 4096;
}
}   // namespace

int main(int argc, char** argv)
{
    long long nTicks = 1000000;
    int cx = 640;
    int cy = 360;
    for (int i = 1; i + 1 < argc; i += 2)
    {
        if (std::strcmp(argv[i], "--ticks") == 0)
            nTicks = std::atoll(argv[i + 1]);
        else if (std::strcmp(argv[i], "--width") == 0)
            cx = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--height") == 0)
            cy = std::atoi(argv[i + 1]);
        else
        {
            std::fprintf(stderr, "usage: kelvane-soak [--ticks N] [--width W] [--height H]\n");
            return 2;
        }
    }

    CWinApp app;   // no profile: the seven defaults
    Headless::SetScreenSize(cx, cy);
    Headless::SetClock(20261207, 0);
    auto* pWnd = new CSnowWnd(true);
    pWnd->Create(0, WS_POPUP | WS_VISIBLE, CRect(0, 0, cx, cy), nullptr);
    // The first ticks make the flakes, the framebuffer's tables and the largest population: the
    // start is measured after them.
    for (const int nCount : {1000, 100})
    {
        pWnd->SetFlakeCount(nCount);
        for (int i = 0; i < 100; ++i)
            Headless::NextTick();
    }

    std::printf(
        "# %lld ticks of a %dx%d snow window with default settings; the flake count changes every 10000 ticks\n",
        nTicks, cx, cy);
    const long long nHeapStart = HeapInUse();
    const long long nResidentStart = ResidentBytes();
    for (long long i = 0; i < nTicks; ++i)
    {
        // Settings change as the dialog's preview changes them: the population grows and shrinks.
        if (i % 10000 == 0)
            pWnd->SetFlakeCount((i / 10000) % 2 == 0 ? 1000 : 100);
        Headless::NextTick();
    }
    const long long nHeapEnd = HeapInUse();
    const long long nResidentEnd = ResidentBytes();
    pWnd->DestroyWindow();

    std::printf("ticks=%lld\n", nTicks);
    std::printf("heap_start_bytes=%lld\nheap_end_bytes=%lld\n", nHeapStart, nHeapEnd);
    std::printf("resident_start_bytes=%lld\nresident_end_bytes=%lld\n", nResidentStart, nResidentEnd);
    return 0;
}
