// Unit tests of the framebuffer: the three drawing operations, clipping and the changed rectangles.

#include "platform/FrameBuffer.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace
{
constexpr std::uint32_t kBlack = CFrameBuffer::kBlack;
constexpr std::uint32_t kWhite = TestSupport::kWhitePixel;

// An ellipse pixel by the plain definition: its centre lies in the ellipse inscribed in the box.
bool Inside(std::int64_t w, std::int64_t h, std::int64_t i, std::int64_t j)
{
    if (i < 0 || j < 0 || i >= w || j >= h)
        return false;
    const std::int64_t a = 2 * i + 1 - w;
    const std::int64_t b = 2 * j + 1 - h;
    return a * a * h * h + b * b * w * w <= w * w * h * h;
}

// What the framebuffer must show, painted the slow and obvious way.
struct Reference
{
    int cx, cy;
    std::vector<std::uint32_t> pixels;

    Reference(int w, int h) : cx(w), cy(h), pixels(static_cast<std::size_t>(w) * h, kBlack) {}
    bool Set(int x, int y, std::uint32_t px)
    {
        if (x < 0 || y < 0 || x >= cx || y >= cy)
            return false;
        pixels[static_cast<std::size_t>(y) * cx + x] = px;
        return true;
    }
    void Fill(const CRect& rc, std::uint32_t px)
    {
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < rc.right; ++x)
                Set(x, y, px);
    }
    bool Ellipse(int l, int t, int r, int b)   // small boxes only; whether any of it lies inside
    {
        const int w = r - l;
        const int h = b - t;
        bool bVisible = false;
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i)
            {
                if (!Inside(w, h, i, j))
                    continue;
                const bool bOutline = !Inside(w, h, i - 1, j) || !Inside(w, h, i + 1, j) || !Inside(w, h, i, j - 1) ||
                                      !Inside(w, h, i, j + 1);
                bVisible = Set(l + i, t + j, bOutline ? kBlack : kWhite) || bVisible;
            }
        return bVisible;
    }
};

void ExpectSame(const CFrameBuffer& frame, const Reference& ref)
{
    for (int y = 0; y < ref.cy; ++y)
        for (int x = 0; x < ref.cx; ++x)
            ASSERT_EQ(frame.GetPixel(x, y), ref.pixels[static_cast<std::size_t>(y) * ref.cx + x])
                << "at " << x << "," << y;
}

// The plain definition for boxes up to 2^30 pixels a side, whose squares need more than 64 bits.
bool InsideWide(std::int64_t w, std::int64_t h, std::int64_t i, std::int64_t j)
{
    __extension__ typedef __int128 Int128;
    if (i < 0 || j < 0 || i >= w || j >= h)
        return false;
    const Int128 a = 2 * i + 1 - w;
    const Int128 b = 2 * j + 1 - h;
    return a * a * h * h + b * b * w * w <= Int128{w} * w * h * h;
}

// The plain painter for a box of any size: every visible pixel asks the definition itself.
void ReferenceEllipse(Reference& ref, std::int64_t l, std::int64_t t, std::int64_t r, std::int64_t b)
{
    const std::int64_t w = r - l;
    const std::int64_t h = b - t;
    for (int y = 0; y < ref.cy; ++y)
        for (int x = 0; x < ref.cx; ++x)
        {
            const std::int64_t i = x - l;
            const std::int64_t j = y - t;
            if (!InsideWide(w, h, i, j))
                continue;
            const bool bOutline = !InsideWide(w, h, i - 1, j) || !InsideWide(w, h, i + 1, j) ||
                                  !InsideWide(w, h, i, j - 1) || !InsideWide(w, h, i, j + 1);
            ref.Set(x, y, bOutline ? kBlack : kWhite);
        }
}

std::vector<std::uint32_t> Snapshot(const CFrameBuffer& frame)
{
    std::vector<std::uint32_t> pixels;
    frame.ExpandTo(pixels);
    return pixels;
}
}   // namespace

TEST(FrameBuffer, StartsBlackAndWhollyChanged)
{
    CFrameBuffer frame;
    frame.Resize(100, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(frame.GetPixel(x, y), kBlack);
    std::vector<CRect> rects;
    frame.TakeChangedRects(rects);
    long long nArea = 0;
    for (const CRect& rc : rects)
        nArea += static_cast<long long>(rc.Width()) * rc.Height();
    EXPECT_EQ(nArea, 100 * 40);
    rects.clear();
    frame.TakeChangedRects(rects);
    EXPECT_TRUE(rects.empty());
}

TEST(FrameBuffer, PixelsOutsideAreClippedSilently)
{
    CFrameBuffer frame;
    frame.Resize(10, 10);
    EXPECT_TRUE(frame.SetPixelV(9, 9, RgbColor(255, 255, 255)));
    EXPECT_EQ(frame.GetPixel(9, 9), kWhite);
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {10, 0}, {0, 10}, {INT_MIN, INT_MAX}})
        EXPECT_FALSE(frame.SetPixelV(x, y, RgbColor(255, 255, 255)));
    frame.FillSolidRect(CRect(INT_MIN, INT_MIN, INT_MAX, 2), RgbColor(255, 255, 255));
    EXPECT_EQ(frame.GetPixel(0, 1), kWhite);
    EXPECT_EQ(frame.GetPixel(9, 1), kWhite);
    EXPECT_EQ(frame.GetPixel(0, 2), kBlack);
    EXPECT_EQ(frame.GetPixel(9, 9), kWhite);
}

TEST(FrameBuffer, ColoursDrawWhiteFromHalfTheBrightnessOfWhite)
{
    // A pixel is one bit: every operation draws a colour as black or white, the same way.
    const struct
    {
        ColorRef cr;
        bool bWhite;
    } cases[] = {
        {RgbColor(0, 0, 0), false},       {RgbColor(255, 255, 255), true}, {RgbColor(255, 0, 0), false},
        {RgbColor(0, 255, 0), true},      {RgbColor(0, 0, 255), false},    {RgbColor(128, 128, 128), true},
        {RgbColor(127, 127, 127), false}, {RgbColor(255, 255, 0), true},   {RgbColor(0x40, 0x80, 0xC0), false},
        {RgbColor(0, 219, 0), true},      {RgbColor(0, 218, 0), false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << std::hex << c.cr);
        const std::uint32_t px = c.bWhite ? kWhite : kBlack;
        EXPECT_EQ(CFrameBuffer::ToPixel(c.cr), px);
        for (const bool bOverWhite : {false, true})
        {
            CFrameBuffer frame;
            frame.Resize(70, 3);
            frame.FillSolidRect(CRect(0, 0, 70, 3), bOverWhite ? RgbColor(255, 255, 255) : RgbColor(0, 0, 0));
            frame.SetPixelV(1, 0, c.cr);
            frame.FillSolidRect(CRect(2, 1, 68, 2), c.cr);
            frame.BeginReverseOrder();
            frame.SetPixelV(3, 2, c.cr);
            frame.FillSolidRect(CRect(60, 2, 70, 3), c.cr);
            frame.EndReverseOrder();
            for (const auto& [x, y] : {std::pair{1, 0}, {2, 1}, {63, 1}, {64, 1}, {67, 1}, {3, 2}, {69, 2}})
                EXPECT_EQ(frame.GetPixel(x, y), px) << x << "," << y;
            const std::uint32_t pxBack = bOverWhite ? kWhite : kBlack;
            for (const auto& [x, y] : {std::pair{0, 0}, {2, 0}, {1, 1}, {68, 1}, {2, 2}, {59, 2}})
                EXPECT_EQ(frame.GetPixel(x, y), pxBack) << x << "," << y;
        }
    }
}

TEST(FrameBuffer, RowsAreLsbFirstBitmapsWithBlackPadding)
{
    // The presenters hand these words to the screen as they are: pixel x is bit x % 64 of word
    // x / 64, and the bits past the width stay 0 whatever is drawn over the right edge.
    for (const int cx : {1, 63, 64, 65, 130})
    {
        SCOPED_TRACE(cx);
        CFrameBuffer frame;
        frame.Resize(cx, 4);
        ASSERT_EQ(frame.RowWords(), (cx + 63) / 64);
        frame.FillSolidRect(CRect(-5, 0, cx + 100, 1), RgbColor(255, 255, 255));
        frame.Ellipse(cx - 3, 0, cx + 40, 4);
        frame.SetPixelV(cx - 1, 3, RgbColor(255, 255, 255));
        frame.SetPixelV(cx, 3, RgbColor(255, 255, 255));
        for (int y = 0; y < 4; ++y)
        {
            const std::uint64_t* row = frame.Row(y);
            for (int x = 0; x < frame.RowWords() * 64; ++x)
            {
                const bool bBit = ((row[x / 64] >> (x % 64)) & 1u) != 0;
                ASSERT_EQ(bBit, x < cx && frame.GetPixel(x, y) == kWhite) << x << "," << y;
            }
        }
        EXPECT_EQ(frame.GetPixel(cx - 1, 3), kWhite);
    }
}

TEST(FrameBuffer, SmallEllipsesMatchTheirDefinition)
{
    for (int w = 1; w <= 24; ++w)
        for (int h = 1; h <= 24; h += (w % 5) + 1)
        {
            SCOPED_TRACE(testing::Message() << w << "x" << h);
            CFrameBuffer frame;
            frame.Resize(40, 40);
            Reference ref(40, 40);
            EXPECT_TRUE(frame.Ellipse(3, 5, 3 + w, 5 + h));
            ref.Ellipse(3, 5, 3 + w, 5 + h);
            ExpectSame(frame, ref);
        }
}

TEST(FrameBuffer, EllipsesAtTheEdgesDrawOnlyTheirVisiblePart)
{
    // Boxes from one pixel outside or on the top and left edges, to on or one pixel past the right
    // and bottom ones, over a colour no ellipse draws: a pixel written on a neighbouring row, or
    // outside the buffer, shows (or trips the address sanitizer).
    constexpr int kCx = 37;
    constexpr int kCy = 23;
    const ColorRef crBack = RgbColor(0x40, 0x80, 0xC0);
    const std::pair<int, int> sizes[] = {
        {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {8, 8}, {13, 13}, {kCy + 2, kCy + 2}, {kCx, kCx}, {kCx + 2, kCx + 2},
        {6, 9}, {9, 4}};
    for (const auto& [w, h] : sizes)
        for (const int left : {kCx - w + 1, kCx - w, 0, -1})
            for (const int top : {kCy - h + 1, kCy - h, 0, -1})
            {
                SCOPED_TRACE(testing::Message() << w << "x" << h << " at " << left << "," << top);
                CFrameBuffer frame;
                frame.Resize(kCx, kCy);
                frame.FillSolidRect(CRect(0, 0, kCx, kCy), crBack);
                Reference ref(kCx, kCy);
                ref.Fill(CRect(0, 0, kCx, kCy), CFrameBuffer::ToPixel(crBack));
                EXPECT_EQ(frame.Ellipse(left, top, left + w, top + h), ref.Ellipse(left, top, left + w, top + h));
                ExpectSame(frame, ref);
                // The first wrong picture is the report: a later case might write outside the buffer.
                if (HasFailure())
                    return;
            }
}

TEST(FrameBuffer, RadiusTwoCircleIsARingAroundFourWhitePixels)
{
    CFrameBuffer frame;
    frame.Resize(6, 6);
    frame.FillSolidRect(CRect(0, 0, 6, 6), RgbColor(255, 255, 255));
    frame.Ellipse(1, 1, 5, 5);
    const char* expected[] = {"######", "#.  .#", "# ## #", "# ## #", "#.  .#", "######"};
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
        {
            // '#': untouched white, '.': corner outside the circle (white), ' ': black ring, '#' inside: white
            const bool bWhite = expected[y][x] != ' ';
            EXPECT_EQ(frame.GetPixel(x, y), bWhite ? kWhite : kBlack) << x << "," << y;
        }
}

TEST(FrameBuffer, EmptyOrInvertedEllipseBoxesDrawNothing)
{
    CFrameBuffer frame;
    frame.Resize(10, 10);
    EXPECT_FALSE(frame.Ellipse(5, 5, 5, 9));
    EXPECT_FALSE(frame.Ellipse(6, 2, 2, 6));
    EXPECT_FALSE(frame.Ellipse(20, 20, 30, 30));
    EXPECT_TRUE(TestSupport::WhitePixels(frame).empty());
}

TEST(FrameBuffer, HugeEllipsesAreClippedExactly)
{
    // Boxes far larger than the buffer, up to int's whole range: only the visible rows are computed.
    CFrameBuffer frame;
    frame.Resize(64, 48);
    EXPECT_TRUE(frame.Ellipse(INT_MIN, INT_MIN, INT_MAX, INT_MAX));
    EXPECT_EQ(TestSupport::WhitePixels(frame).size(), 64u * 48u);

    // A 100000-pixel circle whose left edge crosses the buffer: the outline column, then white.
    frame.FillSolidRect(CRect(0, 0, 64, 48), RgbColor(0, 0, 0));
    frame.Ellipse(10, -50000 + 24, 10 + 100000, 50000 + 24);
    EXPECT_EQ(frame.GetPixel(9, 24), kBlack);
    EXPECT_EQ(frame.GetPixel(10, 24), kBlack);
    EXPECT_EQ(frame.GetPixel(11, 24), kWhite);
    EXPECT_EQ(frame.GetPixel(63, 24), kWhite);
}

TEST(FrameBuffer, HugeAndOffScreenEllipsesMatchThePlainPainter)
{
    // Boxes beyond the row tables' sizes, reaching past every edge, or barely touching one: each
    // row is computed on its own, and only the visible rows and columns may be.
    struct Case
    {
        std::int64_t l, t, r, b;
    };
    const Case cases[] = {
        {-3000, -3000, 3000, 3000},                  // the buffer deep inside: all white
        {-2100, 40, 2100, 4240},                     // a 4200-pixel circle whose top crosses the buffer
        {50, -1000000, 2000050, 1000000},            // its left edge runs down the buffer
        {-2000000 + 20, -10, 20, 2000000 - 10},      // its right edge
        {-1000000000, 30, 1000000000, 1000000030},   // a 2e9 box: its top touches the buffer
        {-5000, -9000, 5000, 9},                     // an ellipse, not a circle, whose bottom rows show
        {80, -3, 3000, 2},                           // flat and wide, across the top
        {-4000, -4000, 0, 0},                        // wholly outside, above and left
        {81, 61, 5000, 5000},                        // wholly outside, below and right
        {-70000, 20, -10, 50},                       // ends just left of the buffer
    };
    constexpr int kCx = 81;
    constexpr int kCy = 61;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.l << "," << c.t << "," << c.r << "," << c.b);
        CFrameBuffer frame;
        frame.Resize(kCx, kCy);
        frame.FillSolidRect(CRect(0, 0, kCx, kCy), RgbColor(255, 255, 255));
        Reference ref(kCx, kCy);
        ref.Fill(CRect(0, 0, kCx, kCy), kWhite);
        frame.Ellipse(static_cast<int>(c.l), static_cast<int>(c.t), static_cast<int>(c.r), static_cast<int>(c.b));
        ReferenceEllipse(ref, c.l, c.t, c.r, c.b);
        ExpectSame(frame, ref);
    }
}

TEST(FrameBuffer, ReverseOrderLeavesTheForwardPixels)
{
    // Figures drawn last to first in a reverse-order batch, next to the same figures first to last:
    // the same pixels, and the changed rectangles still cover every pixel that changed.
    std::mt19937 rng(13);
    auto coord = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    constexpr int kCx = 150;
    constexpr int kCy = 90;
    CFrameBuffer forward;
    CFrameBuffer reverse;
    forward.Resize(kCx, kCy);
    reverse.Resize(kCx, kCy);
    std::vector<CRect> rects;
    reverse.TakeChangedRects(rects);
    for (int nFrame = 0; nFrame < 30; ++nFrame)
    {
        SCOPED_TRACE(nFrame);
        struct Figure
        {
            int kind;
            CRect rc;
        };
        std::vector<Figure> figures;
        const int nFigures = coord(0, 80);
        for (int n = 0; n < nFigures; ++n)
        {
            const int x = coord(-40, kCx + 40);
            const int y = coord(-40, kCy + 40);
            const int kind = coord(0, 3);
            // Ellipses up to well beyond the buffer and past the row tables, pixels, small fills.
            const int r = kind == 1 ? coord(1, 30) : kind == 2 ? coord(100, 3000) : coord(0, 8);
            figures.push_back({kind, kind == 0 ? CRect(x, y, x + 1, y + 1) : CRect(x - r, y - r, x + r, y + r)});
        }
        const std::vector<std::uint32_t> before = Snapshot(reverse);
        auto draw = [](CFrameBuffer& frame, const Figure& f) {
            switch (f.kind)
            {
            case 0: frame.SetPixelV(f.rc.left, f.rc.top, RgbColor(255, 255, 255)); break;
            case 3: frame.FillSolidRect(f.rc, f.rc.left % 2 == 0 ? RgbColor(255, 255, 255) : RgbColor(0, 0, 0)); break;
            default: frame.Ellipse(f.rc.left, f.rc.top, f.rc.right, f.rc.bottom); break;
            }
        };
        forward.FillSolidRect(CRect(0, 0, kCx, kCy), RgbColor(0, 0, 0));
        reverse.FillSolidRect(CRect(0, 0, kCx, kCy), RgbColor(0, 0, 0));
        for (const Figure& f : figures)
            draw(forward, f);
        reverse.BeginReverseOrder();
        for (auto it = figures.rbegin(); it != figures.rend(); ++it)
            draw(reverse, *it);
        reverse.EndReverseOrder();
        ASSERT_EQ(Snapshot(reverse), Snapshot(forward));

        rects.clear();
        reverse.TakeChangedRects(rects);
        const std::vector<std::uint32_t> after = Snapshot(reverse);
        for (int y = 0; y < kCy; ++y)
            for (int x = 0; x < kCx; ++x)
            {
                const bool bChanged =
                    before[static_cast<std::size_t>(y) * kCx + x] != after[static_cast<std::size_t>(y) * kCx + x];
                const bool bReported =
                    std::any_of(rects.begin(), rects.end(), [&](const CRect& rc) { return rc.PtInRect(CPoint(x, y)); });
                ASSERT_TRUE(!bChanged || bReported) << "unreported change at " << x << "," << y;
            }
    }
}

TEST(FrameBuffer, RandomDrawingMatchesThePlainPainter)
{
    // Clears only touch inked tiles; this checks that nothing drawn survives a clear and nothing
    // else changes, across frames of random drawing as snow makes them.
    std::mt19937 rng(7);
    CFrameBuffer frame;
    frame.Resize(203, 97);
    Reference ref(203, 97);
    auto coord = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int nFrame = 0; nFrame < 40; ++nFrame)
    {
        SCOPED_TRACE(nFrame);
        const CRect rcClear = nFrame % 7 == 3 ? CRect(coord(-5, 90), coord(-5, 40), coord(100, 210), coord(50, 100))
                                              : CRect(0, 0, 203, 97);
        frame.FillSolidRect(rcClear, RgbColor(0, 0, 0));
        ref.Fill(rcClear.Intersect(CRect(0, 0, 203, 97)), kBlack);
        for (int n = 0; n < 60; ++n)
        {
            const int x = coord(-30, 230);
            const int y = coord(-30, 120);
            switch (coord(0, 2))
            {
            case 0:
                frame.SetPixelV(x, y, RgbColor(255, 255, 255));
                ref.Set(x, y, kWhite);
                break;
            case 1:
            {
                const int r = coord(2, 25);
                frame.Ellipse(x - r, y - r, x + r, y + r);
                ref.Ellipse(x - r, y - r, x + r, y + r);
                break;
            }
            default:
            {
                const CRect rc(x, y, x + coord(0, 9), y + coord(0, 9));
                frame.FillSolidRect(rc, RgbColor(255, 255, 255));
                ref.Fill(rc, kWhite);
                break;
            }
            }
        }
        ExpectSame(frame, ref);
    }
}

TEST(FrameBuffer, ChangedRectsCoverEveryChangedPixel)
{
    std::mt19937 rng(11);
    CFrameBuffer frame;
    frame.Resize(640, 360);
    std::vector<CRect> rects;
    frame.TakeChangedRects(rects);
    auto coord = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int nFrame = 0; nFrame < 30; ++nFrame)
    {
        const std::vector<std::uint32_t> before = Snapshot(frame);
        frame.FillSolidRect(CRect(0, 0, 640, 360), RgbColor(0, 0, 0));
        for (int n = 0; n < 25; ++n)
        {
            const int x = coord(-10, 650);
            const int y = coord(-10, 370);
            if (n % 2 == 0)
                frame.SetPixelV(x, y, RgbColor(255, 255, 255));
            else
                frame.Ellipse(x - 4, y - 4, x + 4, y + 4);
        }
        rects.clear();
        frame.TakeChangedRects(rects);
        long long nArea = 0;
        for (const CRect& rc : rects)
            nArea += static_cast<long long>(rc.Width()) * rc.Height();
        EXPECT_LT(nArea, 640 * 360 / 4) << "sparse snow should not repaint the whole frame";
        for (int y = 0; y < 360; ++y)
            for (int x = 0; x < 640; ++x)
            {
                if (frame.GetPixel(x, y) == before[static_cast<std::size_t>(y) * 640 + x])
                    continue;
                bool bCovered = false;
                for (const CRect& rc : rects)
                    bCovered = bCovered || rc.PtInRect(CPoint(x, y));
                ASSERT_TRUE(bCovered) << "frame " << nFrame << " pixel " << x << "," << y;
            }
    }
}

TEST(FrameBuffer, AMovedFlakeIsOneBlitAndDistantFlakesAreTwo)
{
    CFrameBuffer frame;
    frame.Resize(640, 360);
    std::vector<CRect> rects;
    frame.TakeChangedRects(rects);

    // A disc across tile edges both ways, moved three pixels down: its old and new place in one.
    frame.Ellipse(60, 10, 84, 34);
    rects.clear();
    frame.TakeChangedRects(rects);
    frame.FillSolidRect(CRect(0, 0, 640, 360), RgbColor(0, 0, 0));
    frame.Ellipse(60, 13, 84, 37);
    rects.clear();
    frame.TakeChangedRects(rects);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_TRUE(rects[0].Intersect(CRect(60, 10, 84, 37)) == CRect(60, 10, 84, 37)) << "covers both places";
    EXPECT_LE(static_cast<long long>(rects[0].Width()) * rects[0].Height(), 24 * 27 * 11 / 10);

    // Two discs in neighbouring tiles, far apart: the black between them is not sent.
    frame.FillSolidRect(CRect(0, 0, 640, 360), RgbColor(0, 0, 0));
    rects.clear();
    frame.TakeChangedRects(rects);
    frame.Ellipse(2, 100, 12, 110);
    frame.Ellipse(110, 100, 120, 110);
    rects.clear();
    frame.TakeChangedRects(rects);
    EXPECT_EQ(rects.size(), 2u);
    for (const CRect& rc : rects)
        EXPECT_FALSE(rc.PtInRect(CPoint(60, 105)));
}

TEST(FrameBuffer, ChangedRectsMergeOnlyWhereTheyTouch)
{
    // Every pair here would merge cheaply; only those that share an edge may.
    const struct
    {
        const char* name;
        std::vector<CRect> fills;
        std::vector<CRect> expected;
    } cases[] = {
        {"side by side across a tile column", {{54, 0, 64, 16}, {64, 0, 74, 16}}, {{54, 0, 74, 16}}},
        {"a column apart", {{54, 0, 64, 16}, {65, 0, 75, 16}}, {{54, 0, 64, 16}, {65, 0, 75, 16}}},
        {"one above the other across a tile row", {{0, 0, 10, 16}, {0, 16, 10, 30}}, {{0, 0, 10, 30}}},
        {"a row apart, below the tile edge", {{0, 0, 10, 16}, {0, 17, 10, 30}}, {{0, 0, 10, 16}, {0, 17, 10, 30}}},
        {"a row apart, above the tile edge", {{0, 0, 10, 15}, {0, 16, 10, 30}}, {{0, 0, 10, 15}, {0, 16, 10, 30}}},
        {"corner to corner", {{0, 0, 640, 16}, {640, 16, 641, 17}}, {{0, 0, 640, 16}, {640, 16, 641, 17}}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        CFrameBuffer frame;
        frame.Resize(700, 64);
        std::vector<CRect> rects;
        frame.TakeChangedRects(rects);
        for (const CRect& rc : c.fills)
            frame.FillSolidRect(rc, RgbColor(255, 255, 255));
        rects.clear();
        frame.TakeChangedRects(rects);
        EXPECT_EQ(rects, c.expected);
    }
}

TEST(FrameBuffer, ResizingKeepsTheSizeOrClearsToBlack)
{
    CFrameBuffer frame;
    frame.Resize(20, 20);
    frame.SetPixelV(3, 3, RgbColor(255, 255, 255));
    frame.Resize(20, 20);
    EXPECT_EQ(frame.GetPixel(3, 3), kWhite);
    frame.Resize(30, 10);
    EXPECT_EQ(frame.Width(), 30);
    EXPECT_TRUE(TestSupport::WhitePixels(frame).empty());
    frame.Resize(-5, 10);
    EXPECT_EQ(frame.Width(), 0);
    EXPECT_FALSE(frame.SetPixelV(0, 0, RgbColor(255, 255, 255)));
}
