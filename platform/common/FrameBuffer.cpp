// The one software framebuffer every back end draws into: one bit per pixel, the three drawing
// operations implemented once, and the tracking of the tiles that changed since the last present.

#include "platform/FrameBuffer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numeric>

const std::array<std::uint8_t, 256> CFrameBuffer::kReversedBits = [] {
    std::array<std::uint8_t, 256> table{};
    for (unsigned n = 0; n < 256; ++n)
    {
        unsigned r = 0;
        for (unsigned i = 0; i < 8; ++i)
            r |= ((n >> i) & 1u) << (7 - i);
        table[n] = static_cast<std::uint8_t>(r);
    }
    return table;
}();

namespace
{
__extension__ typedef unsigned __int128 UInt128;

// Circles up to this diameter keep a row table, within a budget of rows (4 MiB); larger ones
// (absurd flakes from hand-edited settings) are computed row by row, for the visible rows only.
constexpr std::int64_t kMaxCachedCircle = 2048;
constexpr std::size_t kMaxCachedCircleRows = std::size_t{1} << 18;

// One row of the filled figure, as column offsets lo..hi from the left edge; empty while lo > hi.
struct Span
{
    std::int64_t lo = 1;
    std::int64_t hi = 0;
    bool Empty() const { return lo > hi; }
};

std::uint64_t ISqrt(std::uint64_t n)
{
    auto r = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(n)));
    while (static_cast<UInt128>(r) * r > n)
        --r;
    while (static_cast<UInt128>(r + 1) * (r + 1) <= n)
        ++r;
    return r;
}

// Pixel (i, j) of a w x h box belongs to the ellipse when its centre lies inside or on the
// ellipse inscribed in the box: ((2i+1-w)/w)^2 + ((2j+1-h)/h)^2 <= 1, decided in exact integers.
Span EllipseSpan(std::int64_t w, std::int64_t h, std::int64_t j)
{
    if (j < 0 || j >= h)
        return {};
    const std::int64_t b = 2 * j + 1 - h;   // |b| < h
    const auto uw = static_cast<UInt128>(w);
    const auto uh = static_cast<UInt128>(h);
    const UInt128 rest = uh * uh - static_cast<UInt128>(b * b);
    // |2i+1-w| may be at most sqrt(w^2 * rest / h^2); the quotient fits 64 bits as it is <= w^2.
    const auto maxSquare = static_cast<std::uint64_t>((uw * uw * rest) / (uh * uh));
    auto d = static_cast<std::int64_t>(ISqrt(maxSquare));
    if (((d ^ (w - 1)) & 1) != 0)   // 2i+1-w has the parity of w-1
        --d;
    if (d < 0)
        return {};
    return {(w - 1 - d) / 2, (w - 1 + d) / 2};
}

// The white inside of row j: pixels of the figure whose four neighbours all belong to it.
void InsideOf(const Span& above, const Span& row, const Span& below, std::int64_t& ia, std::int64_t& ib)
{
    if (row.Empty() || above.Empty() || below.Empty())
    {
        ia = 1;
        ib = 0;
        return;
    }
    ia = std::max({row.lo + 1, above.lo, below.lo});
    ib = std::min({row.hi - 1, above.hi, below.hi});
}

// Bits from..to of a row, both inside it.
void SetBits(std::uint64_t* row, int from, int to, bool bWhite)
{
    const int w0 = from >> 6;
    const int w1 = to >> 6;
    const std::uint64_t head = ~std::uint64_t{0} << (from & 63);
    const std::uint64_t tail = ~std::uint64_t{0} >> (63 - (to & 63));
    if (w0 == w1)
    {
        const std::uint64_t mask = head & tail;
        row[w0] = bWhite ? row[w0] | mask : row[w0] & ~mask;
        return;
    }
    row[w0] = bWhite ? row[w0] | head : row[w0] & ~head;
    std::fill(row + w0 + 1, row + w1, bWhite ? ~std::uint64_t{0} : 0);
    row[w1] = bWhite ? row[w1] | tail : row[w1] & ~tail;
}

void FillRow(std::uint64_t* row, std::int64_t from, std::int64_t to, std::int64_t width, bool bWhite)
{
    from = std::max<std::int64_t>(from, 0);
    to = std::min<std::int64_t>(to, width - 1);
    if (from <= to)
        SetBits(row, static_cast<int>(from), static_cast<int>(to), bWhite);
}

CRect Union(const CRect& a, const CRect& b)
{
    return CRect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom));
}

long long Area(const CRect& rc)
{
    return static_cast<long long>(rc.Width()) * rc.Height();
}

// Calls fn(tx) for each tile first..last, in order, whose bit is set in a tile row's mask.
template <typename Fn>
void ForEachTile(const std::uint64_t* mask, int first, int last, Fn fn)
{
    for (int w = first >> 6; w <= last >> 6; ++w)
    {
        std::uint64_t bits = mask[w];
        if (w == first >> 6)
            bits &= ~std::uint64_t{0} << (first & 63);
        if (w == last >> 6)
            bits &= ~std::uint64_t{0} >> (63 - (last & 63));
        for (; bits != 0; bits &= bits - 1)
            fn(w * 64 + std::countr_zero(bits));
    }
}

// Two blits cost more than one a tenth larger: each is a request of its own to the display.
bool Cheap(const CRect& a, const CRect& b)
{
    return Area(Union(a, b)) * 10 <= (Area(a) + Area(b)) * 11;
}
}   // namespace

void CFrameBuffer::Resize(int cx, int cy)
{
    cx = std::max(cx, 0);
    cy = std::max(cy, 0);
    if (cx == m_cx && cy == m_cy)
        return;
    m_cx = cx;
    m_cy = cy;
    m_nStride = (cx + 63) >> 6;
    m_bits.assign(static_cast<std::size_t>(m_nStride) * cy, 0);
    m_tilesX = (cx + kTileWidth - 1) >> kTileShiftX;
    m_tilesY = (cy + kTileHeight - 1) >> kTileShiftY;
    m_tiles.assign(static_cast<std::size_t>(m_tilesX) * m_tilesY, Tile{});
    m_maskWords = (m_tilesX + 63) >> 6;
    m_changedTiles.assign(static_cast<std::size_t>(m_maskWords) * m_tilesY, 0);
    m_inkedTiles.assign(static_cast<std::size_t>(m_maskWords) * m_tilesY, 0);
    if (cx > 0 && cy > 0)
        MarkRect(CRect(0, 0, cx, cy), false);
}

void CFrameBuffer::ExpandTo(std::vector<std::uint32_t>& pixels) const
{
    pixels.resize(static_cast<std::size_t>(m_cx) * m_cy);
    std::uint32_t* p = pixels.data();
    for (int y = 0; y < m_cy; ++y)
    {
        const std::uint64_t* row = Row(y);
        for (int x = 0; x < m_cx; ++x)
            *p++ = ((row[x >> 6] >> (x & 63)) & 1u) != 0 ? kWhite : kBlack;
    }
}

void CFrameBuffer::MarkRect(const CRect& rc, bool bInk)
{
    for (int ty = rc.top >> kTileShiftY; ty <= (rc.bottom - 1) >> kTileShiftY; ++ty)
    {
        const int y0 = std::max(rc.top - (ty << kTileShiftY), 0);
        const int y1 = std::min(rc.bottom - 1 - (ty << kTileShiftY), kTileHeight - 1);
        for (int tx = rc.left >> kTileShiftX; tx <= (rc.right - 1) >> kTileShiftX; ++tx)
        {
            const int x0 = std::max(rc.left - (tx << kTileShiftX), 0);
            const int x1 = std::min(rc.right - 1 - (tx << kTileShiftX), kTileWidth - 1);
            Tile& t = m_tiles[static_cast<std::size_t>(ty) * m_tilesX + tx];
            t.changed.Add(x0, y0, x1, y1);
            MarkTile(m_changedTiles, tx, ty);
            if (bInk)
            {
                t.ink.Add(x0, y0, x1, y1);
                MarkTile(m_inkedTiles, tx, ty);
            }
        }
    }
}

// Black over black changes nothing, so a clear only touches the tiles' inked boxes: a frame of
// sparse snow clears in a fraction of the time a full-frame fill takes. A tile row that is mostly
// inked is cleared in whole rows instead, which is as fast as a plain fill.
void CFrameBuffer::ClearToBlack(const CRect& rc)
{
    for (int ty = rc.top >> kTileShiftY; ty <= (rc.bottom - 1) >> kTileShiftY; ++ty)
    {
        const int tileTop = ty << kTileShiftY;
        const CRect band = CRect(rc.left, tileTop, rc.right, tileTop + kTileHeight).Intersect(rc);
        Tile* tiles = m_tiles.data() + static_cast<std::size_t>(ty) * m_tilesX;
        std::uint64_t* inked = m_inkedTiles.data() + static_cast<std::size_t>(ty) * m_maskWords;
        const int txFirst = rc.left >> kTileShiftX;
        const int txLast = (rc.right - 1) >> kTileShiftX;

        long long nInkedArea = 0;
        ForEachTile(inked, txFirst, txLast, [&](int tx) {
            const Box& ink = tiles[tx].ink;
            nInkedArea += (ink.x1 - ink.x0 + 1) * (ink.y1 - ink.y0 + 1);
        });
        if (nInkedArea == 0)
            continue;
        const bool bWholeRows = nInkedArea * 2 >= static_cast<long long>(band.Width()) * band.Height();
        if (bWholeRows)
        {
            for (int y = band.top; y < band.bottom; ++y)
                SetBits(RowBits(y), band.left, band.right - 1, false);
        }

        ForEachTile(inked, txFirst, txLast, [&](int tx) {
            Tile& t = tiles[tx];
            const int tileLeft = tx << kTileShiftX;
            const CRect ink(tileLeft + t.ink.x0, tileTop + t.ink.y0, tileLeft + t.ink.x1 + 1, tileTop + t.ink.y1 + 1);
            const CRect clear = ink.Intersect(rc);
            if (clear.IsRectEmpty())
                return;
            if (!bWholeRows)
            {
                for (int y = clear.top; y < clear.bottom; ++y)
                    SetBits(RowBits(y), clear.left, clear.right - 1, false);
            }
            t.changed.Add(clear.left - tileLeft, clear.top - tileTop, clear.right - 1 - tileLeft, clear.bottom - 1 - tileTop);
            MarkTile(m_changedTiles, tx, ty);
            if (clear == ink)
            {
                t.ink = Box{};
                inked[tx >> 6] &= ~(std::uint64_t{1} << (tx & 63));
            }
        });
    }
}

void CFrameBuffer::FillSolidRect(const CRect& rcFill, ColorRef cr)
{
    const CRect rc = rcFill.Intersect(CRect(0, 0, m_cx, m_cy));
    if (rc.IsRectEmpty())
        return;
    const bool bWhite = IsWhite(cr);
    if (m_bReverse)
    {
        bool bPainted = false;
        for (int y = NextUnpaintedRow(rc.top); y < rc.bottom; y = NextUnpaintedRow(y + 1))
            bPainted = PaintUnder(y, rc.left, rc.right - 1, bWhite) || bPainted;
        if (bPainted)
            MarkRect(rc, bWhite);
        return;
    }
    if (!bWhite)
    {
        ClearToBlack(rc);
        return;
    }
    for (int y = rc.top; y < rc.bottom; ++y)
        SetBits(RowBits(y), rc.left, rc.right - 1, true);
    MarkRect(rc, true);
}

const CFrameBuffer::EllipseRow* CFrameBuffer::CachedEllipse(std::int64_t cx, std::int64_t cy)
{
    // Only circles are kept: other shapes are rare enough to be computed row by row.
    if (cx != cy || cx > kMaxCachedCircle)
        return nullptr;
    if (m_circleStart.empty())
    {
        m_circleStart.assign(kMaxCachedCircle + 1, -1);
        m_circleRows.reserve(kMaxCachedCircleRows);
    }
    const auto d = static_cast<std::size_t>(cx);
    if (m_circleStart[d] >= 0)
        return m_circleRows.data() + m_circleStart[d];
    if (m_circleRows.size() + d > kMaxCachedCircleRows)
        return nullptr;

    m_circleStart[d] = static_cast<std::int32_t>(m_circleRows.size());
    Span above;
    Span row = EllipseSpan(cx, cy, 0);
    for (std::int64_t j = 0; j < cy; ++j)
    {
        const Span below = EllipseSpan(cx, cy, j + 1);
        std::int64_t ia, ib;
        InsideOf(above, row, below, ia, ib);
        m_circleRows.push_back({static_cast<std::int32_t>(row.lo), static_cast<std::int32_t>(row.hi),
                                static_cast<std::int32_t>(ia), static_cast<std::int32_t>(ib)});
        above = row;
        row = below;
    }
    return m_circleRows.data() + m_circleStart[d];
}

bool CFrameBuffer::Ellipse(int left, int top, int right, int bottom)
{
    // The box may be as large as int allows; its size and every offset are kept in 64 bits.
    const std::int64_t cx = std::int64_t{right} - left;
    const std::int64_t cy = std::int64_t{bottom} - top;
    if (cx <= 0 || cy <= 0)
        return false;
    const CRect visible = CRect(left, top, right, bottom).Intersect(CRect(0, 0, m_cx, m_cy));
    if (visible.IsRectEmpty())
        return false;
    if (m_bReverse && m_nUnpainted == 0)
        return true;
    if (!m_bReverse)
        MarkRect(visible, true);

    const EllipseRow* rows = CachedEllipse(cx, cy);
    if (rows != nullptr && left >= 0 && right <= m_cx && !m_bReverse)
    {
        // The common case, a flake wholly inside the buffer's width: no clipping within a row.
        for (int y = visible.top; y < visible.bottom; ++y)
        {
            const EllipseRow& r = rows[y - top];
            std::uint64_t* row = RowBits(y);
            SetBits(row, left + r.x0, left + r.x1, false);
            if (r.ia <= r.ib)
                SetBits(row, left + r.ia, left + r.ib, true);
        }
        return true;
    }

    // Reversed, rows that later figures have wholly painted are skipped without a look.
    bool bPainted = false;
    for (int y = m_bReverse ? NextUnpaintedRow(visible.top) : visible.top; y < visible.bottom;
         y = m_bReverse ? NextUnpaintedRow(y + 1) : y + 1)
    {
        const std::int64_t j = std::int64_t{y} - top;
        std::int64_t x0, x1, ia, ib;
        if (rows != nullptr)
        {
            x0 = rows[j].x0;
            x1 = rows[j].x1;
            ia = rows[j].ia;
            ib = rows[j].ib;
        }
        else
        {
            const Span s = EllipseSpan(cx, cy, j);
            if (s.Empty())
                continue;
            x0 = s.lo;
            x1 = s.hi;
            InsideOf(EllipseSpan(cx, cy, j - 1), s, EllipseSpan(cx, cy, j + 1), ia, ib);
        }
        if (m_bReverse)
        {
            if (ia > ib)
            {
                bPainted = PaintUnder(y, left + x0, left + x1, false) || bPainted;
                continue;
            }
            bPainted = PaintUnder(y, left + x0, left + ia - 1, false) || bPainted;
            bPainted = PaintUnder(y, left + ia, left + ib, true) || bPainted;
            bPainted = PaintUnder(y, left + ib + 1, left + x1, false) || bPainted;
            continue;
        }
        std::uint64_t* row = RowBits(y);
        FillRow(row, left + x0, left + x1, m_cx, false);
        if (ia <= ib)
            FillRow(row, left + ia, left + ib, m_cx, true);
    }
    // A figure that later ones hide wholly changes nothing, so it marks nothing either.
    if (bPainted)
        MarkRect(visible, true);
    return true;
}

void CFrameBuffer::BeginReverseOrder()
{
    m_bReverse = true;
    const auto nStride = static_cast<std::size_t>(m_cx) + 1;
    m_nextUnpainted.resize(nStride * static_cast<std::size_t>(m_cy));
    for (std::size_t y = 0; y < static_cast<std::size_t>(m_cy); ++y)
        std::iota(m_nextUnpainted.begin() + static_cast<std::ptrdiff_t>(y * nStride),
                  m_nextUnpainted.begin() + static_cast<std::ptrdiff_t>((y + 1) * nStride), 0);
    m_unpaintedInRow.assign(static_cast<std::size_t>(m_cy), m_cx);
    m_nextRow.resize(static_cast<std::size_t>(m_cy) + 1);
    std::iota(m_nextRow.begin(), m_nextRow.end(), 0);
    m_nUnpainted = static_cast<std::int64_t>(m_cx) * m_cy;
}

namespace
{
// The root of i's set, halving the path on the way.
std::int32_t FindNext(std::int32_t* next, std::int32_t i)
{
    while (next[i] != i)
    {
        next[i] = next[next[i]];
        i = next[i];
    }
    return i;
}
}   // namespace

int CFrameBuffer::NextUnpaintedRow(int y)
{
    return FindNext(m_nextRow.data(), y);
}

bool CFrameBuffer::PaintUnder(int y, std::int64_t from, std::int64_t to, bool bWhite)
{
    from = std::max<std::int64_t>(from, 0);
    to = std::min<std::int64_t>(to, m_cx - 1);
    if (from > to)
        return false;
    std::int32_t* next = m_nextUnpainted.data() + static_cast<std::size_t>(y) * (static_cast<std::size_t>(m_cx) + 1);
    std::uint64_t* row = RowBits(y);
    std::int32_t nPainted = 0;
    for (std::int32_t x = FindNext(next, static_cast<std::int32_t>(from)); x <= to; x = FindNext(next, x + 1))
    {
        const std::uint64_t bit = std::uint64_t{1} << (x & 63);
        row[x >> 6] = bWhite ? row[x >> 6] | bit : row[x >> 6] & ~bit;
        next[x] = x + 1;
        ++nPainted;
    }
    if (nPainted == 0)
        return false;
    m_nUnpainted -= nPainted;
    if ((m_unpaintedInRow[static_cast<std::size_t>(y)] -= nPainted) == 0)
        m_nextRow[static_cast<std::size_t>(y)] = y + 1;
    return true;
}

bool CFrameBuffer::SetPixelUnder(int x, int y, ColorRef cr)
{
    std::int32_t* next = m_nextUnpainted.data() + static_cast<std::size_t>(y) * (static_cast<std::size_t>(m_cx) + 1);
    if (next[x] != x)
        return true;
    PutBit(x, y, IsWhite(cr));
    next[x] = x + 1;
    --m_nUnpainted;
    if (--m_unpaintedInRow[static_cast<std::size_t>(y)] == 0)
        m_nextRow[static_cast<std::size_t>(y)] = y + 1;
    return true;
}

void CFrameBuffer::TakeChangedRects(std::vector<CRect>& rects)
{
    // Changed boxes that touch across a tile edge merge, to the side and downwards, when the merged
    // rectangle wastes little: a flake's old and new place become one blit instead of a few, and
    // two flakes that merely share a tile row do not drag the black between them along.
    m_openRects.clear();
    for (int ty = 0; ty < m_tilesY; ++ty)
    {
        const int tileTop = ty << kTileShiftY;
        m_closingRects.clear();
        bool bOpen = false;
        CRect run;
        std::uint64_t* changed = m_changedTiles.data() + static_cast<std::size_t>(ty) * m_maskWords;
        ForEachTile(changed, 0, m_tilesX - 1, [&](int tx) {
            Tile& t = m_tiles[static_cast<std::size_t>(ty) * m_tilesX + tx];
            const int tileLeft = tx << kTileShiftX;
            const CRect rc(tileLeft + t.changed.x0, tileTop + t.changed.y0, tileLeft + t.changed.x1 + 1,
                           tileTop + t.changed.y1 + 1);
            t.changed = Box{};
            if (bOpen && rc.left == run.right && Cheap(run, rc))
            {
                run = Union(run, rc);
                return;
            }
            if (bOpen)
                AddChangedRect(rects, run, tileTop);
            bOpen = true;
            run = rc;
        });
        if (bOpen)
            AddChangedRect(rects, run, tileTop);
        std::fill(changed, changed + m_maskWords, 0);
        m_openRects.swap(m_closingRects);
    }
}

// Joins rc to a rectangle of the tile row above that ends where rc starts, or adds it; notes
// which rectangles reach the bottom of this tile row, for the next one.
void CFrameBuffer::AddChangedRect(std::vector<CRect>& rects, const CRect& rc, int tileTop)
{
    std::size_t nIndex = rects.size();
    if (rc.top == tileTop)
    {
        for (const std::size_t i : m_openRects)
        {
            const CRect& above = rects[i];
            if (above.left < rc.right && rc.left < above.right && Cheap(above, rc))
            {
                nIndex = i;
                break;
            }
        }
    }
    if (nIndex < rects.size())
        rects[nIndex] = Union(rects[nIndex], rc);
    else
        rects.push_back(rc);
    if (rc.bottom == tileTop + kTileHeight)
        m_closingRects.push_back(nIndex);
}
