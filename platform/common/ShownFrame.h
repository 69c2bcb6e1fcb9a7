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

    // The pixels of rects inside a frame of cx by cy, each widened to whole 64-pixel words: what
    // bitmaps of those areas hold, and what an Update compares.
    static std::size_t BitmapPixels(const std::vector<CRect>& rects, int cx, int cy)
    {
        std::size_t nPixels = 0;
        for (const CRect& rcAny : rects)
            if (const CRect rc = rcAny.Intersect(CRect(0, 0, cx, cy)); !rc.IsRectEmpty())
                nPixels += static_cast<std::size_t>(((rc.right - 1) >> 6) - (rc.left >> 6) + 1) * 64 * rc.Height();
        return nPixels;
    }

    // The window now shows nothing of ours: the copy takes the frame's shape and counts as black.
    void Reset(const CFrameBuffer& frame)
    {
        m_cx = frame.Width();
        m_cy = frame.Height();
        m_nStride = frame.RowWords();
        m_bits.assign(static_cast<std::size_t>(m_nStride) * m_cy, 0);
        for (std::vector<Run>& buf : m_runBuf)
            buf.resize(static_cast<std::size_t>(m_nStride) * 32 + 1);
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
        m_nTotalWords = BitmapPixels(rects, m_cx, m_cy) / 64;
        m_nDoneWords = 0;
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

    // A filled rectangle as X takes it: the left, the top, the width and the height.
    struct Fill
    {
        std::int16_t x, y;
        std::uint16_t cx, cy;
    };

    // The rectangles of the last Update that turn white (bWhite) or black; they do not overlap.
    const std::vector<Fill>& Rects(bool bWhite) const { return m_rects[bWhite ? 1 : 0]; }
    std::size_t RectCount() const { return m_rects[0].size() + m_rects[1].size(); }

private:
    // A run of one colour: columns x0..x1, and the rectangle it ends (once it is in the row above).
    struct Run
    {
        std::int32_t x0, x1;
        std::uint32_t nRect;
    };

    // Per colour, the runs of the row above and of this one, walked left to right as they are made.
    struct Runs
    {
        const Run* pAbove;
        const Run* pAboveEnd;
        Run* pRow;
        int start;   // where a run still open at the last word's end began, else -1
        std::vector<Fill>* pRects;
    };

    static constexpr int kPrefetchRows = 6;

    static constexpr std::size_t kSlack = 256;   // rectangles a few flakes may need early on

    // Rows between looks at whether the rectangles outgrow the limit (a power of two).
    static constexpr int kCheckRows = 8;

    std::uint64_t* Row(int y) { return m_bits.data() + static_cast<std::size_t>(y) * m_nStride; }

    // Rows top..bottom-1, words w0..w1; false once the rectangles outgrow nMaxRects. Rows whose
    // words all compare equal cost a compare a word; a row with changes makes its runs and joins
    // them to the row above's in the same pass. (A flake that moves changes a few pixels at both
    // ends of nearly every one of its rows: the default snow has some 7,000 such rows a frame.)
    bool Diff(const CFrameBuffer& frame, int top, int bottom, int w0, int w1, std::size_t nMaxRects)
    {
        // Two buffers of runs per colour take turns as this row's and the row above's.
        Run* pBlackAbove = m_runBuf[0].data();
        Run* pBlackRow = m_runBuf[1].data();
        Run* pWhiteAbove = m_runBuf[2].data();
        Run* pWhiteRow = m_runBuf[3].data();
        std::size_t nBlackAbove = 0;
        std::size_t nWhiteAbove = 0;
        const std::size_t nWords = static_cast<std::size_t>(w1 - w0 + 1);
        const std::size_t nDoneBefore = m_nDoneWords;
        const std::uint64_t* pNew = frame.Row(top);
        std::uint64_t* pShown = Row(top);
        const std::size_t nNewStride = static_cast<std::size_t>(frame.RowWords());
        for (int y = top; y < bottom; ++y, pNew += nNewStride, pShown += m_nStride)
        {
            // The copy's rows lie apart and are seldom in the cache (the frame's, just drawn, are):
            // asking for those a few rows ahead overlaps their loads.
            if (y + kPrefetchRows < bottom)
                __builtin_prefetch(pShown + kPrefetchRows * m_nStride + w0, 1);
            int w = w0;
            while (w <= w1 && pNew[w] == pShown[w])
                ++w;
            if (w > w1)
            {
                nBlackAbove = nWhiteAbove = 0;
                continue;
            }
            Runs black = {pBlackAbove, pBlackAbove + nBlackAbove, pBlackRow, -1, &m_rects[0]};
            Runs white = {pWhiteAbove, pWhiteAbove + nWhiteAbove, pWhiteRow, -1, &m_rects[1]};
            for (; w <= w1; ++w)
            {
                const std::uint64_t bits = pNew[w];
                const std::uint64_t diff = bits ^ pShown[w];
                if (diff == 0 && (black.start & white.start) < 0)
                    continue;
                pShown[w] = bits;
                Cut(black, diff & ~bits, w * 64, y);
                Cut(white, diff & bits, w * 64, y);
            }
            // A run still open at the last word ends there (the rest of the row is not ours to compare).
            if (black.start >= 0)
                Add(black, black.start, w1 * 64 + 63, y);
            if (white.start >= 0)
                Add(white, white.start, w1 * 64 + 63, y);
            nBlackAbove = static_cast<std::size_t>(black.pRow - pBlackRow);
            nWhiteAbove = static_cast<std::size_t>(white.pRow - pWhiteRow);
            std::swap(pBlackAbove, pBlackRow);
            std::swap(pWhiteAbove, pWhiteRow);
            if (((y - top) & (kCheckRows - 1)) == kCheckRows - 1 || y + 1 == bottom)
            {
                m_nDoneWords = nDoneBefore + static_cast<std::size_t>(y + 1 - top) * nWords;
                const std::size_t nRects = RectCount();
                if (nRects > nMaxRects ||
                    (nRects > kSlack && (nRects - kSlack) * m_nTotalWords > 2 * nMaxRects * m_nDoneWords))
                    return false;
            }
        }
        m_nDoneWords = nDoneBefore + static_cast<std::size_t>(bottom - top) * nWords;
        return RectCount() <= nMaxRects;
    }

    // The runs of one colour's changed pixels m in the word at column x of row y.
    [[gnu::always_inline]] void Cut(Runs& runs, std::uint64_t m, int x, int y)
    {
        if (runs.start >= 0)
        {
            const int n = std::countr_one(m);
            if (n == 64)
                return;   // the run goes on into the next word
            Add(runs, runs.start, x + n - 1, y);
            runs.start = -1;
            m &= ~std::uint64_t{0} << n;   // n < 64
        }
        while (m != 0)
        {
            const int a = std::countr_zero(m);
            const int n = std::countr_one(m >> a);
            if (a + n == 64)
            {
                runs.start = x + a;
                return;
            }
            Add(runs, x + a, x + a + n - 1, y);
            m &= ~std::uint64_t{0} << (a + n);
        }
    }

    // The run x0..x1 of row y joins the rectangle of an equal run right above it, or starts one.
    // Both rows go left to right, so the row above is walked once.
    [[gnu::always_inline]] void Add(Runs& runs, int x0, int x1, int y)
    {
        while (runs.pAbove != runs.pAboveEnd && runs.pAbove->x0 < x0)
            ++runs.pAbove;
        std::uint32_t nRect;
        if (runs.pAbove != runs.pAboveEnd && runs.pAbove->x0 == x0 && runs.pAbove->x1 == x1)
        {
            nRect = runs.pAbove->nRect;
            ++(*runs.pRects)[nRect].cy;
            ++runs.pAbove;
        }
        else
        {
            nRect = static_cast<std::uint32_t>(runs.pRects->size());
            runs.pRects->push_back({static_cast<std::int16_t>(x0), static_cast<std::int16_t>(y),
                                    static_cast<std::uint16_t>(std::min(x1 + 1, m_cx) - x0), 1});
        }
        *runs.pRow++ = {x0, x1, nRect};
    }

    int m_cx = 0;
    int m_cy = 0;
    int m_nStride = 0;
    std::vector<std::uint64_t> m_bits;   // rows as the frame keeps them
    std::size_t m_nTotalWords = 0;       // the words an Update compares, and those done so far
    std::size_t m_nDoneWords = 0;
    // Room for a row's runs, twice per colour (a row has at most one run in every two columns, and
    // one more); and per colour, black then white, the rectangles.
    std::vector<Run> m_runBuf[4];
    std::vector<Fill> m_rects[2];
};
