// The rasteriser with arbitrary doubles: flakes of any position and radius (NaN, infinities and
// huge values included) drawn into a small framebuffer, first to last and, in a reverse-order
// batch, last to first: the two must leave the same pixels.

#include "FuzzSupport.h"
#include "platform/Dc.h"
#include "snow/Flake.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    constexpr std::size_t kRecord = 3 * sizeof(double) + 2;   // x, y, radius, the random value
    std::vector<Flake> flakes;
    std::vector<int> choices;
    for (std::size_t at = 0; at + kRecord <= size && flakes.size() < 16; at += kRecord)
    {
        double v[3];
        std::memcpy(v, data + at, sizeof v);
        flakes.push_back(Flake{0.0, 0.0, v[0], v[1], 1.0, v[2]});
        choices.push_back((data[at + 3 * sizeof(double)] | (data[at + 3 * sizeof(double) + 1] << 8)) & 0x7FFF);
    }

    CFrameBuffer forward;
    CFrameBuffer reverse;
    forward.Resize(37, 23);
    reverse.Resize(37, 23);
    {
        CDC dc(forward);
        for (std::size_t i = 0; i < flakes.size(); ++i)
            flakes[i].Draw(dc, choices[i]);
    }
    {
        CDC dc(reverse);
        dc.BeginReverseOrder();
        for (std::size_t i = flakes.size(); i-- > 0;)
            flakes[i].Draw(dc, choices[i]);
        dc.EndReverseOrder();
    }
    FUZZ_CHECK(std::memcmp(forward.Row(0), reverse.Row(0), 23 * forward.RowWords() * sizeof(std::uint64_t)) == 0);
    std::vector<CRect> rects;
    forward.TakeChangedRects(rects);
    for (const CRect& rc : rects)
        FUZZ_CHECK(rc.left >= 0 && rc.top >= 0 && rc.right <= 37 && rc.bottom <= 23 && !rc.IsRectEmpty());
    return 0;
}
