// How a flake is drawn: the figure that the band of its radius and a random choice give (from a few
// pixels up to an ellipse), and the rectangle it can cover.

#include "snow/Flake.h"

#include "platform/Runtime.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace
{
constexpr ColorRef kWhite = RgbColor(255, 255, 255);

struct Offset
{
    int dx, dy;
};

// The pixels each random outcome adds, per band, in the order they are written.
constexpr Offset kBand2[4][1] = {{{-1, 0}}, {{1, 0}}, {{0, -1}}, {{0, 1}}};
constexpr Offset kBand3[4][2] = {{{-1, 0}, {0, 1}}, {{1, 0}, {0, -1}}, {{-1, 0}, {0, -1}}, {{1, 0}, {0, 1}}};
constexpr Offset kBand6[4][1] = {{{-1, -1}}, {{1, -1}}, {{-1, 1}}, {{1, 1}}};
constexpr Offset kBand7[2][2] = {{{-1, -1}, {1, 1}}, {{1, -1}, {-1, 1}}};
constexpr Offset kBand8[4][3] = {
    {{-1, -1}, {1, -1}, {-1, 1}}, {{1, -1}, {-1, 1}, {1, 1}}, {{-1, 1}, {1, 1}, {-1, -1}}, {{1, 1}, {-1, -1}, {1, -1}}};
constexpr Offset kBand10[4][1] = {{{-2, -2}}, {{2, -2}}, {{-2, 2}}, {{2, 2}}};
constexpr Offset kBand11[2][2] = {{{0, -2}, {0, 2}}, {{2, 0}, {-2, 0}}};
constexpr Offset kBand12[4][3] = {
    {{0, -2}, {2, 0}, {0, 2}}, {{2, 0}, {0, 2}, {-2, 0}}, {{0, 2}, {-2, 0}, {0, -2}}, {{-2, 0}, {0, -2}, {2, 0}}};
constexpr Offset kBand13[4] = {{0, -2}, {2, 0}, {0, 2}, {-2, 0}};
constexpr Offset kSquare[4] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};

int ClampToInt(std::int64_t v)
{
    return static_cast<int>(
        std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// A centre near the end of int's range would overflow; such pixels lie outside every target anyway.
void Put(CDC& dc, int cx, int cy, Offset o)
{
    const std::int64_t x = std::int64_t{cx} + o.dx;
    const std::int64_t y = std::int64_t{cy} + o.dy;
    if (x == ClampToInt(x) && y == ClampToInt(y))
        dc.SetPixelV(static_cast<int>(x), static_cast<int>(y), kWhite);
}

template <std::size_t N>
void PutAll(CDC& dc, int cx, int cy, const Offset (&offsets)[N])
{
    for (const Offset& o : offsets)
        Put(dc, cx, cy, o);
}

// The band of a radius: 1 + the number of thresholds it lies strictly above, smallest first.
// 0, negative and NaN radii fail the first test. 14 means an ellipse.
int BandOf(double radius)
{
    int band = 1;
    while (band <= 13 && radius > kRadiusThresholds[band - 1])
        ++band;
    return band;
}
}   // namespace

int RoundToInt(double v)
{
    const double s = std::floor(v + 0.5);
    if (!(s >= static_cast<double>(std::numeric_limits<int>::min())))
        return std::numeric_limits<int>::min();
    if (s > static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return static_cast<int>(s);
}

double UnitRandom()
{
    return AfxRand() / 32767.0;
}

void Flake::DrawPlus(CDC& dc, int cx, int cy) const
{
    PutAll(dc, cx, cy, {{0, 0}, {-1, 0}, {1, 0}, {0, -1}, {0, 1}});
}

void Flake::DrawBlock(CDC& dc, int cx, int cy) const
{
    PutAll(dc, cx, cy, {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {0, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}});
}

int Flake::DrawChoice() const
{
    switch (BandOf(radius))
    {
    case 2:
    case 3:
    case 6:
    case 7:
    case 8:
    case 10:
    case 11:
    case 12: return AfxRand();
    default: return 0;
    }
}

CRect Flake::GetBoundRect() const
{
    const std::int64_t cx = RoundToInt(x);
    const std::int64_t cy = RoundToInt(y);
    const std::int64_t r = BandOf(radius) == 14 ? RoundToInt(radius) : 2;
    return CRect(ClampToInt(cx - r), ClampToInt(cy - r), ClampToInt(cx + r + 1), ClampToInt(cy + r + 1));
}

void Flake::Draw(CDC& dc, int nChoice) const
{
    const int cx = RoundToInt(x);
    const int cy = RoundToInt(y);
    switch (BandOf(radius))
    {
    case 1: Put(dc, cx, cy, {0, 0}); break;
    case 2:
        Put(dc, cx, cy, {0, 0});
        PutAll(dc, cx, cy, kBand2[nChoice & 3]);
        break;
    case 3:
        Put(dc, cx, cy, {0, 0});
        PutAll(dc, cx, cy, kBand3[nChoice & 3]);
        break;
    case 4: PutAll(dc, cx, cy, kSquare); break;
    case 5: DrawPlus(dc, cx, cy); break;
    case 6:
        DrawPlus(dc, cx, cy);
        PutAll(dc, cx, cy, kBand6[nChoice & 3]);
        break;
    case 7:
        DrawPlus(dc, cx, cy);
        PutAll(dc, cx, cy, kBand7[nChoice & 1]);
        break;
    case 8:
        DrawPlus(dc, cx, cy);
        PutAll(dc, cx, cy, kBand8[nChoice & 3]);
        break;
    case 9: DrawBlock(dc, cx, cy); break;
    case 10:
        DrawBlock(dc, cx, cy);
        PutAll(dc, cx, cy, kBand10[nChoice & 3]);
        break;
    case 11:
        DrawBlock(dc, cx, cy);
        PutAll(dc, cx, cy, kBand11[nChoice & 1]);
        break;
    case 12:
        DrawBlock(dc, cx, cy);
        PutAll(dc, cx, cy, kBand12[nChoice & 3]);
        break;
    case 13:
        DrawBlock(dc, cx, cy);
        PutAll(dc, cx, cy, kBand13);
        break;
    default:
    {
        // Edges beyond int's range are clamped: that flake covers far more than any window.
        const std::int64_t r = RoundToInt(radius);
        dc.Ellipse(ClampToInt(cx - r), ClampToInt(cy - r), ClampToInt(cx + r), ClampToInt(cy + r));
        break;
    }
    }
}
