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
    // must put those areas some other way.
    bool Update(const CFrameBuffer& frame, const std::vector<CRect>& rects, std::size_t nMaxRects)
    {
        m_rects[0].clear();
        m_rects[1].clear();
        const CRect rcFrame(0, 0, m_cx, m_cy);
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
    // A run of one colour in the row above, and the rectangle it ends.
    struct Open
    {
        int x0, x1;
        std::size_t nRect;
    };

    struct Colour
    {
        std::uint64_t mask = 0;   // this colour's changed pixels in the current word
        int nStart = -1;          // the column where a run still open at the word's end began
        std::vector<Open> above, row;
        std::size_t nAbove = 0;   // the first run above that may still lie under one of this row
    };

    std::uint64_t* Row(int y) { return m_bits.data() + static_cast<std::size_t>(y) * m_nStride; }

    // Rows top..bottom-1, words w0..w1; false once the rectangles outgrow nMaxRects.
    bool Diff(const CFrameBuffer& frame, int top, int bottom, int w0, int w1, std::size_t nMaxRects)
    {
        for (Colour& col : m_colours)
        {
            col.above.clear();
            col.row.clear();
            col.nAbove = 0;
            col.nStart = -1;
        }
        for (int y = top; y < bottom; ++y)
        {
            const std::uint64_t* pNew = frame.Row(y);
            std::uint64_t* pShown = Row(y);
            for (int w = w0; w <= w1; ++w)
            {
                const std::uint64_t diff = pNew[w] ^ pShown[w];
                if (diff == 0 && m_colours[0].nStart < 0 && m_colours[1].nStart < 0)
                    continue;
                pShown[w] = pNew[w];
                m_colours[0].mask = diff & ~pNew[w];
                m_colours[1].mask = diff & pNew[w];
                Runs(0, y, w * 64);
                Runs(1, y, w * 64);
            }
            // A run still open at the last word ends there (the rest of the row is not ours to compare).
            for (std::size_t c = 0; c < 2; ++c)
            {
                Colour& col = m_colours[c];
                if (col.nStart >= 0)
                    AddRun(c, y, col.nStart, w1 * 64 + 63);
                col.nStart = -1;
                col.above.swap(col.row);
                col.row.clear();
                col.nAbove = 0;
            }
            if (RectCount() > nMaxRects)
                return false;
        }
        return true;
    }

    // The runs of colour c's mask in the word at column x0 of row y.
    void Runs(std::size_t c, int y, int x0)
    {
        Colour& col = m_colours[c];
        std::uint64_t m = col.mask;
        int bit = 0;
        if (col.nStart >= 0)
        {
            const int n = std::countr_one(m);
            if (n == 64)
                return;   // the run goes on into the next word
            AddRun(c, y, col.nStart, x0 + n - 1);
            col.nStart = -1;
            bit = n;
        }
        m = bit < 64 ? m & (~std::uint64_t{0} << bit) : 0;
        while (m != 0)
        {
            const int a = std::countr_zero(m);
            const int n = std::countr_one(m >> a);
            if (a + n == 64)
            {
                col.nStart = x0 + a;
                break;
            }
            AddRun(c, y, x0 + a, x0 + a + n - 1);
            m &= ~std::uint64_t{0} << (a + n);
        }
    }

    // Columns x0..x1 of row y turn colour c: the run joins the rectangle of an equal run right
    // above it, or starts one. Runs arrive left to right, so the row above is walked once.
    void AddRun(std::size_t c, int y, int x0, int x1)
    {
        Colour& col = m_colours[c];
        std::vector<CRect>& rects = m_rects[c];
        while (col.nAbove < col.above.size() && col.above[col.nAbove].x0 < x0)
            ++col.nAbove;
        std::size_t nRect;
        if (col.nAbove < col.above.size() && col.above[col.nAbove].x0 == x0 && col.above[col.nAbove].x1 == x1)
        {
            nRect = col.above[col.nAbove++].nRect;
            rects[nRect].bottom = y + 1;
        }
        else
        {
            nRect = rects.size();
            rects.push_back(CRect(x0, y, std::min(x1 + 1, m_cx), y + 1));
        }
        col.row.push_back({x0, x1, nRect});
    }

    int m_cx = 0;
    int m_cy = 0;
    int m_nStride = 0;
    std::vector<std::uint64_t> m_bits;   // rows as the frame keeps them
    Colour m_colours[2];                 // black, white
    std::vector<CRect> m_rects[2];
};
