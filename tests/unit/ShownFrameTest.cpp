// The X presenter's copy of its window: the filled rectangles it makes paint exactly the pixels
// that changed and no others, and runs of equal columns merge down the rows into one rectangle.

#include "platform/common/ShownFrame.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

TEST(ShownFrame, ChangedPixelsBecomeFewRectanglesThatPaintThemExactly)
{
    const ColorRef crWhite = RgbColor(255, 255, 255);
    struct Case
    {
        const char* pszName;
        int cx, cy;
        void (*draw)(CFrameBuffer& frame, int nFrame, ColorRef cr);
        std::size_t nRects;   // the second frame's rectangles
    };
    const Case cases[] = {
        {"a square moves right over a word's edge: a black and a white band", 130, 20,
         [](CFrameBuffer& f, int n, ColorRef cr) { f.FillSolidRect(CRect(56 + 3 * n, 5, 66 + 3 * n, 15), cr); }, 2},
        {"a square moves down", 100, 40,
         [](CFrameBuffer& f, int n, ColorRef cr) { f.FillSolidRect(CRect(20, 5 + 2 * n, 30, 15 + 2 * n), cr); }, 2},
        {"a band over three words up to a right edge inside a word", 190, 10,
         [](CFrameBuffer& f, int n, ColorRef cr) { f.FillSolidRect(CRect(30, 2, 190 * n, 6), cr); }, 1},
        {"a checkerboard over a word's edge: no two runs alike", 80, 10,
         [](CFrameBuffer& f, int n, ColorRef cr) {
             for (int y = 0; y < 8 * n; ++y)
                 for (int x = 60 + y % 2; x < 68; x += 2)
                     f.SetPixelV(x, y, cr);
         },
         32},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        CFrameBuffer frame;
        frame.Resize(c.cx, c.cy);
        CShownFrame shown;
        shown.Reset(frame);
        std::vector<bool> window(static_cast<std::size_t>(c.cx) * c.cy, false);   // black, as after Reset
        std::vector<CRect> changed;
        for (int n = 0; n < 2; ++n)
        {
            frame.FillSolidRect(CRect(0, 0, c.cx, c.cy), RgbColor(0, 0, 0));
            c.draw(frame, n, crWhite);
            changed.clear();
            frame.TakeChangedRects(changed);
            ASSERT_TRUE(shown.Update(frame, changed, SIZE_MAX));
            // Black first, then white, as the presenter sends them; each pixel they paint changes.
            for (const bool bWhite : {false, true})
                for (const CShownFrame::Fill& rc : shown.Rects(bWhite))
                    for (int y = rc.y; y < rc.y + rc.cy; ++y)
                        for (int x = rc.x; x < rc.x + rc.cx; ++x)
                        {
                            EXPECT_NE(window[static_cast<std::size_t>(y) * c.cx + x], bWhite) << x << "," << y;
                            window[static_cast<std::size_t>(y) * c.cx + x] = bWhite;
                        }
            int nWrong = 0;
            for (int y = 0; y < c.cy; ++y)
                for (int x = 0; x < c.cx; ++x)
                    nWrong += window[static_cast<std::size_t>(y) * c.cx + x] != frame.IsWhiteAt(x, y);
            ASSERT_EQ(nWrong, 0) << "frame " << n;
            if (n == 1)
            {
                EXPECT_EQ(shown.RectCount(), c.nRects);
            }
        }
    }
}
