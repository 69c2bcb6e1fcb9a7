// kelvane-bench [WxH ...]: what one tick of the snow window costs (clear, step, draw) on frames of
// each size (1920x1080 and 3840x2160 unless told), next to a bare 32-bit fill of a frame that
// size, and whether a tick allocates; what the X presenter's part of a tick costs (bringing its
// copy of the window up to the frame, and the filled rectangles that takes, or how often the frame
// goes as bitmaps instead), also with the caches emptied before each tick as 40 ms of the rest of
// the machine empty them in the saver; then what a tick of hand-edited profiles that ask for
// screens full of giant flakes costs.

#include "platform/FrameBuffer.h"
#include "platform/common/ShownFrame.h"
#include "platform/WinApp.h"
#include "platform/headless/Headless.h"
#include "snow/SnowWnd.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

namespace
{
std::atomic<long long> g_nAllocations{0};   // counted by the replaced operator new below

constexpr int kWarmUpTicks = 300;   // long enough for the first flakes to have crossed the screen
constexpr int kMeasuredTicks = 200;

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

// Filling every pixel of a 32-bit frame: the least a full repaint of one costs.
double BareClearMs(int cx, int cy)
{
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(cx) * cy, 0xFFFFFFFFu);
    std::vector<double> samples;
    for (int i = 0; i < kMeasuredTicks; ++i)
    {
        const auto start = Clock::now();
        std::fill(pixels.begin(), pixels.end(), i % 2 == 0 ? CFrameBuffer::kBlack : 0xFFFFFFFFu);
        // Every fill must reach memory before the clock is read: a compiler that sees nothing read
        // the pixels may drop fills (a standalone copy of this loop ran 2.7 times faster without this).
        asm volatile("" : : "r"(pixels.data()) : "memory");
        samples.push_back(Milliseconds(Clock::now() - start));
    }
    return Median(samples);
}

struct TickResult
{
    double dTickMs;
    double dAllocationsPerTick;
    double dPresentMs;    // the presenter's comparison of the changed rectangles with its copy
    double dFills;        // the filled rectangles that brings, both colours
    double dBitmapPx;     // the pixels of the changed rectangles widened to whole words: a bitmap put's
    double dBitmapShare;  // the ticks that went out as bitmaps instead (their rectangles are then partial)
};

// In the saver 40 ms pass between ticks, in which the X server and everything else run: the
// framebuffer and the presenter's copy are mostly out of the cache when a tick comes. Writing this
// much between ticks does the same here.
void EvictCaches()
{
    static std::vector<std::uint64_t> s_scratch(std::size_t{32} << 20 >> 3);
    for (std::size_t i = 0; i < s_scratch.size(); i += 8)
        s_scratch[i] += i;
}

TickResult MeasureTicks(int cx, int cy, int nFlakes, double dPixelRatio = 0.0, int nWarmUpTicks = kWarmUpTicks,
                        int nMeasuredTicks = kMeasuredTicks, bool bCold = false)
{
    CWinApp app;   // no profile: the seven defaults
    Headless::SetScreenSize(cx, cy);
    Headless::SetClock(20261207, 0);
    auto* pWnd = new CSnowWnd(true);
    pWnd->Create(0, WS_POPUP | WS_VISIBLE, CRect(0, 0, cx, cy), nullptr);
    Headless::NextTick();   // the first tick creates the default count
    pWnd->SetFlakeCount(nFlakes);
    if (dPixelRatio > 0.0)
        pWnd->SetPixelRatio(dPixelRatio);
    for (int i = 0; i < nWarmUpTicks; ++i)
        Headless::NextTick();

    const CFrameBuffer& frame = *Headless::FrameBufferOf(pWnd->GetSafeHwnd());
    const std::vector<CRect>& changed = Headless::LastPresentedRects(pWnd->GetSafeHwnd());
    CShownFrame shown;
    shown.Reset(frame);
    shown.Update(frame, {CRect(0, 0, cx, cy)}, SIZE_MAX);
    std::vector<double> samples, present, fills, tracked;
    samples.reserve(static_cast<std::size_t>(nMeasuredTicks));
    present.reserve(static_cast<std::size_t>(nMeasuredTicks));
    fills.reserve(static_cast<std::size_t>(nMeasuredTicks));
    tracked.reserve(static_cast<std::size_t>(nMeasuredTicks));
    long long nAllocations = 0;
    int nBitmapFrames = 0;
    for (int i = 0; i < nMeasuredTicks; ++i)
    {
        if (bCold)
            EvictCaches();
        const long long nAllocationsBefore = g_nAllocations.load();
        const auto start = Clock::now();
        Headless::NextTick();
        const auto ticked = Clock::now();
        nAllocations += g_nAllocations.load() - nAllocationsBefore;
        const std::size_t nPixels = CShownFrame::BitmapPixels(changed, cx, cy);
        // As the X presenter decides: past that many rectangles the frame goes as bitmaps.
        if (!shown.Update(frame, changed, nPixels / CShownFrame::kBitmapPixelsPerFill))
            ++nBitmapFrames;
        samples.push_back(Milliseconds(ticked - start));
        present.push_back(Milliseconds(Clock::now() - ticked));
        fills.push_back(static_cast<double>(shown.RectCount()));
        tracked.push_back(static_cast<double>(nPixels));
    }
    pWnd->DestroyWindow();
    return {Median(samples), static_cast<double>(nAllocations) / nMeasuredTicks, Median(present), Median(fills),
            Median(tracked), static_cast<double>(nBitmapFrames) / nMeasuredTicks};
}
}   // namespace

void* operator new(std::size_t n)
{
    g_nAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n != 0 ? n : 1))
        return p;
    throw std::bad_alloc();
}

// The replaced operator new allocates with malloc, so free is the matching release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
#pragma GCC diagnostic pop

int main(int argc, char** argv)
{
    std::vector<std::pair<int, int>> sizes;
    for (int i = 1; i < argc; ++i)
    {
        int cx = 0;
        int cy = 0;
        char chEnd = 0;
        if (std::sscanf(argv[i], "%dx%d%c", &cx, &cy, &chEnd) != 2 || cx <= 0 || cy <= 0 || cx > 16384 || cy > 16384)
        {
            std::fprintf(stderr, "usage: kelvane-bench [WxH ...]   (frame sizes; 1920x1080 3840x2160 unless given)\n");
            return 2;
        }
        sizes.emplace_back(cx, cy);
    }
    if (sizes.empty())
        sizes = {{1920, 1080}, {3840, 2160}};

    double dMaxAllocations = 0.0;
    for (const auto& [cx, cy] : sizes)
    {
        std::printf(
            "# one tick of a %dx%d snow window with default settings; medians of %d ticks after %d warm-up ticks,\n"
            "# beside the median bare 32-bit fill of a %dx%d frame\n",
            cx, cy, kMeasuredTicks, kWarmUpTicks, cx, cy);
        for (int nFlakes : {100, 1000, 9999})
        {
            const TickResult tick = MeasureTicks(cx, cy, nFlakes);
            const double dClearMs = BareClearMs(cx, cy);
            std::printf("size=%dx%d flakes=%d tick_ms=%.3f fill_ms=%.3f ratio=%.2f present_ms=%.3f fills=%.0f bitmap_px=%.0f bitmap_ticks=%.2f\n",
                        cx, cy, nFlakes, tick.dTickMs, dClearMs, tick.dTickMs / dClearMs, tick.dPresentMs, tick.dFills,
                        tick.dBitmapPx, tick.dBitmapShare);
            dMaxAllocations = std::max(dMaxAllocations, tick.dAllocationsPerTick);
        }
        const TickResult cold = MeasureTicks(cx, cy, 100, 0.0, kWarmUpTicks, kMeasuredTicks, true);
        std::printf("size=%dx%d flakes=100 caches=cold tick_ms=%.3f present_ms=%.3f\n", cx, cy, cold.dTickMs,
                    cold.dPresentMs);
    }
    std::printf("allocations_per_tick=%.3f\n", dMaxAllocations);

    // A tick's work must stay bounded by the screen, whatever the profile: the saver hears the
    // user only between ticks.
    const auto [cx, cy] = sizes.front();
    std::printf("# hostile profiles at %dx%d: medians of 3 ticks after 2\n", cx, cy);
    std::printf("hostile_count100000_ratio1_tick_ms=%.3f\n", MeasureTicks(cx, cy, 100000, 1.0, 2, 3).dTickMs);
    std::printf("hostile_count10000_ratio0.001_tick_ms=%.3f\n", MeasureTicks(cx, cy, 10000, 0.001, 2, 3).dTickMs);
    std::printf("hostile_count100000_ratio20_tick_ms=%.3f\n", MeasureTicks(cx, cy, 100000, 20.0, 2, 3).dTickMs);
    return 0;
}
