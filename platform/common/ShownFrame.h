#pragma once
// What a window shows, as a copy of the frames put there, and the filled rectangles that bring it
// up to the next frame. The pixels that differ from the copy are cut into horizontal runs of one
// colour, and a run exactly under a run of the row above joins its rectangle: a flake that moves
// down a few rows changes a band of runs at its top and its bottom, each side row for row the same
// width in its middle. A display then draws only what changed, one request per colour.

#include "platform/FrameBuffer.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

class CShownFrame
{
public:
    // A display may put a frame's changed areas as filled rectangles or as bitmaps; what decides is
    // the X server's time. One filled rectangle of a few rows of snow costs it about as much as
    // drawing 40 to 50 pixels of a bitmap (Xvfb at 1920 x 1080: about 45 ns against 1 ns a pixel,
    // most of a bitmap's time going to expanding its bits to the window's pixels); the bytes on the
    // way, 8 a rectangle against 1 per 8 pixels, agree. So a frame goes out as bitmaps once it needs
    // more rectangles than its changed areas (in whole 64-pixel words) hold pixels over this: a frame
    // after an expose of dense snow, a profile of giant flakes, thousands of flakes. Sparse snow (the
    // defaults: about 2,200 rectangles where the bitmaps would hold 340,000 pixels) is filled.
    static constexpr std::size_t kBitmapPixelsPerFill = 48;

    // The window now shows nothing of ours: the copy takes the frame's shape and counts as black.
    void Reset(const CFrameBuffer& frame)
    {
        m_cx = frame.Width();
        m_cy = frame.Height();
        m_nStride = frame.RowWords();
        m_bits.assign(static_cast<std::size_t>(m_nStride) * m_cy, 0);
    }

    // Whether the copy has the frame's shape (else it says nothing of what the window shows).
    bool Fits(const CFrameBuffer& frame) const
    {
        return frame.Width() == m_cx && frame.Height() == m_cy && !m_bits.empty();
    }

    // Brings the copy up to the frame inside `rects` (widened to whole 64-pixel words; the words
    // of pixels that did not change compare equal and cost nothing more) and collects in Rects()
    // the rectangles that paint the difference. False once more than nMaxRects would be needed:
    // the copy is still brought up to the frame, but the rectangles are incomplete and the caller
    // must put those areas some other way. A frame on its way to far more than that stops early,
    // once it holds twice its share of nMaxRects for the words compared so far, and 256 more.
    bool Update(const CFrameBuffer& frame, const std::vector<CRect>& rects, std::size_t nMaxRects)
    {
        m_rects[0].clear();
        m_rects[1].clear();
        const CRect rcFrame(0, 0, m_cx, m_cy);
        m_nTotalWords = 0;
        m_nDoneWords = 0;
        for (const CRect& rcAny : rects)
            if (const CRect rc = rcAny.Intersect(rcFrame); !rc.IsRectEmpty())
                m_nTotalWords += static_cast<std::size_t>(((rc.right - 1) >> 6) - (rc.left >> 6) + 1) * rc.Height();
        bool bFits = true;
        for (const CRect& rcAny : rects)
        {
            const CRect rc = rcAny.Intersect(rcFrame);
            if (rc.IsRectEmpty())
                continue;
            const int w0 = rc.left >> 6;
            const int w1 = (rc.right - 1) >> 6;
            if (bFits && !Diff(frame, rc.top, rc.bottom, w0, w1, nMaxRects))
                bFits = false;
            if (!bFits)
                for (int y = rc.top; y < rc.bottom; ++y)
                    std::copy(frame.Row(y) + w0, frame.Row(y) + w1 + 1, Row(y) + w0);
        }
        return bFits;
    }

    // The rectangles of the last Update that turn white (bWhite) or black; they do not overlap.
    const std::vector<CRect>& Rects(bool bWhite) const { return m_rects[bWhite ? 1 : 0]; }
    std::size_t RectCount() const { return m_rects[0].size() + m_rects[1].size(); }

private:
    // A run of one colour: columns x0..x1, and the rectangle it ends (once it is in the row above).
    struct Run
    {
        std::int32_t x0, x1;
        std::size_t nRect;
    };

    static constexpr int kPrefetchRows = 6;

    static constexpr std::size_t kSlack = 256;   // rectangles a few flakes may need early on

    std::uint64_t* Row(int y) { return m_bits.data() + static_cast<std::size_t>(y) * m_nStride; }

    // Rows top..bottom-1, words w0..w1; false once the rectangles outgrow nMaxRects.
    bool Diff(const CFrameBuffer& frame, int top, int bottom, int w0, int w1, std::size_t nMaxRects)
    {
        m_above[0].clear();
        m_above[1].clear();
        for (int y = top; y < bottom; ++y)
        {
            const std::uint64_t* pNew = frame.Row(y);
            std::uint64_t* pShown = Row(y);
            // The copy's rows lie apart and are seldom in the cache (the frame's, just drawn, are):
            // asking for those a few rows ahead overlaps their loads.
            if (y + kPrefetchRows < bottom)
                __builtin_prefetch(Row(y + kPrefetchRows) + w0, 1);
            m_row[0].clear();
            m_row[1].clear();
            int start[2] = {-1, -1};   // per colour, where a run still open at the last word's end began
            for (int w = w0; w <= w1; ++w)
            {
                const std::uint64_t diff = pNew[w] ^ pShown[w];
                if (diff == 0 && (start[0] & start[1]) < 0)
                    continue;
                pShown[w] = pNew[w];
                Runs(m_row[0], start[0], diff & ~pNew[w], w * 64);
                Runs(m_row[1], start[1], diff & pNew[w], w * 64);
            }
            // A run still open at the last word ends there (the rest of the row is not ours to compare).
            for (std::size_t c = 0; c < 2; ++c)
            {
                if (start[c] >= 0)
                    m_row[c].push_back({start[c], w1 * 64 + 63, 0});
                if (!m_row[c].empty())
                    Join(c, y);
                else
                    m_above[c].clear();
            }
            m_nDoneWords += static_cast<std::size_t>(w1 - w0 + 1);
            const std::size_t nRects = RectCount();
            if (nRects > nMaxRects || (nRects > kSlack && (nRects - kSlack) * m_nTotalWords > 2 * nMaxRects * m_nDoneWords))
                return false;
        }
        return true;
    }

    // The runs of one colour's changed pixels in the word at column x, appended to row.
    static void Runs(std::vector<Run>& row, int& start, std::uint64_t m, int x)
    {
        if (start >= 0)
        {
            const int n = std::countr_one(m);
            if (n == 64)
                return;   // the run goes on into the next word
            row.push_back({start, x + n - 1, 0});
            start = -1;
            m &= ~std::uint64_t{0} << n;   // n < 64
        }
        while (m != 0)
        {
            const int a = std::countr_zero(m);
            const int n = std::countr_one(m >> a);
            if (a + n == 64)
            {
                start = x + a;
                return;
            }
            row.push_back({x + a, x + a + n - 1, 0});
            m &= ~std::uint64_t{0} << (a + n);
        }
    }

    // Row y's runs of colour c: each joins the rectangle of an equal run right above it, or starts
    // one. Both rows go left to right, so the row above is walked once.
    void Join(std::size_t c, int y)
    {
        std::vector<CRect>& rects = m_rects[c];
        const Run* pAbove = m_above[c].data();
        const Run* const pAboveEnd = pAbove + m_above[c].size();
        for (Run& run : m_row[c])
        {
            while (pAbove != pAboveEnd && pAbove->x0 < run.x0)
                ++pAbove;
            if (pAbove != pAboveEnd && pAbove->x0 == run.x0 && pAbove->x1 == run.x1)
            {
                run.nRect = pAbove->nRect;
                rects[run.nRect].bottom = y + 1;
                ++pAbove;
            }
            else
            {
                run.nRect = rects.size();
                rects.push_back(CRect(run.x0, y, std::min(run.x1 + 1, m_cx), y + 1));
            }
        }
        m_above[c].swap(m_row[c]);
    }

    int m_cx = 0;
    int m_cy = 0;
    int m_nStride = 0;
    std::vector<std::uint64_t> m_bits;   // rows as the frame keeps them
    std::size_t m_nTotalWords = 0;       // the words an Update compares, and those done so far
    std::size_t m_nDoneWords = 0;
    // Per colour, black then white: the runs of the row above and of this row, and the rectangles.
    std::vector<Run> m_above[2];
    std::vector<Run> m_row[2];
    std::vector<CRect> m_rects[2];
};
