#pragma once
// The one software framebuffer every back end draws into. It implements the three drawing
// operations the program uses, so every platform shows the same pixels; a back end only presents
// it, and presents only the rectangles that changed since it last asked. Snow is black and white,
// so a pixel is one bit: a 4K frame is a megabyte, and a flake's row is a few word operations.

#include "platform/Types.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class CFrameBuffer
{
public:
    // Pixels read back as 32-bit 0xAARRGGBB with alpha 0xFF (a top-down 32-bit DIB's layout), and
    // only ever as these two.
    static constexpr std::uint32_t kBlack = 0xFF000000u;
    static constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

    // The pixel a colour draws: white when it is at least half as bright as white (by the usual
    // 299:587:114 weights of red, green and blue), black otherwise. Pure red and blue are black, a
    // light grey is white; the dialog's icon, the only coloured thing drawn, keeps its light shapes.
    static constexpr bool IsWhite(ColorRef cr)
    {
        return 299u * (cr & 0xFFu) + 587u * ((cr >> 8) & 0xFFu) + 114u * ((cr >> 16) & 0xFFu) >= 1000u * 128u;
    }
    static constexpr std::uint32_t ToPixel(ColorRef cr) { return IsWhite(cr) ? kWhite : kBlack; }

    CFrameBuffer() = default;

    // Sets the size; when it changes, every pixel becomes black and the whole buffer counts as changed.
    void Resize(int cx, int cy);

    int Width() const { return m_cx; }
    int Height() const { return m_cy; }
    // Row y as 64-bit words, pixel x being bit x % 64 of word x / 64 (1: white); the bits past the
    // width are 0. In memory that is an LSB-first bitmap whose rows are padded to 64 bits.
    const std::uint64_t* Row(int y) const { return m_bits.data() + static_cast<std::size_t>(y) * m_nStride; }
    int RowWords() const { return m_nStride; }
    bool IsWhiteAt(int x, int y) const { return ((Row(y)[x >> 6] >> (x & 63)) & 1u) != 0; }
    // Each byte value with its bits in the opposite order: for the screens that read a bitmap's
    // leftmost pixel from each byte's top bit (a DIB, some X servers).
    static const std::array<std::uint8_t, 256> kReversedBits;
    std::uint32_t GetPixel(int x, int y) const { return IsWhiteAt(x, y) ? kWhite : kBlack; }
    // Every pixel as 32 bits, row after row, into `pixels` (resized to fit): for images and tests.
    void ExpandTo(std::vector<std::uint32_t>& pixels) const;

    // Everything outside the buffer is clipped silently; the results say whether anything of the
    // figure lies inside.
    void FillSolidRect(const CRect& rc, ColorRef cr);
    inline bool SetPixelV(int x, int y, ColorRef cr);
    // The ellipse that fits left..right-1 by top..bottom-1: a white fill with a one-pixel black
    // outline, drawn over whatever lies beneath.
    bool Ellipse(int left, int top, int right, int bottom);

    // While a reverse-order batch is open, each drawing operation paints only the pixels that no
    // operation of the batch has painted yet. Figures drawn last to first then leave exactly the
    // pixels they leave drawn first to last, and what later figures hide costs next to nothing: a
    // frame of a hundred thousand overlapping giant flakes costs about one screen of pixels.
    void BeginReverseOrder();
    void EndReverseOrder() { m_bReverse = false; }

    // Appends the rectangles whose pixels may have changed since the last call, then forgets them.
    // `rects` keeps its capacity, so a steady frame allocates nothing.
    void TakeChangedRects(std::vector<CRect>& rects);

private:
    // Change tracking works on tiles. Each keeps the box, in tile coordinates, that may hold
    // pixels other than black ("ink"), and the box that changed since the back end last presented.
    // Per row of tiles, bit masks say which tiles have either box, so that clearing and taking the
    // changes visit only those: sparse snow costs what it touches, not the frame's size.
    static constexpr int kTileShiftX = 6;
    static constexpr int kTileShiftY = 4;
    static constexpr int kTileWidth = 1 << kTileShiftX;
    static constexpr int kTileHeight = 1 << kTileShiftY;

    struct Box
    {
        std::uint8_t x0 = 0xFF, y0 = 0xFF, x1 = 0, y1 = 0;   // inclusive; empty while x0 > x1

        bool Empty() const { return x0 > x1; }
        void Add(int x, int y)
        {
            x0 = std::min<std::uint8_t>(x0, static_cast<std::uint8_t>(x));
            x1 = std::max<std::uint8_t>(x1, static_cast<std::uint8_t>(x));
            y0 = std::min<std::uint8_t>(y0, static_cast<std::uint8_t>(y));
            y1 = std::max<std::uint8_t>(y1, static_cast<std::uint8_t>(y));
        }
        void Add(int xMin, int yMin, int xMax, int yMax)
        {
            x0 = std::min<std::uint8_t>(x0, static_cast<std::uint8_t>(xMin));
            y0 = std::min<std::uint8_t>(y0, static_cast<std::uint8_t>(yMin));
            x1 = std::max<std::uint8_t>(x1, static_cast<std::uint8_t>(xMax));
            y1 = std::max<std::uint8_t>(y1, static_cast<std::uint8_t>(yMax));
        }
    };

    struct Tile
    {
        Box ink;
        Box changed;
    };

    // One row of an ellipse, as offsets from its left edge: the figure covers x0..x1, of which
    // ia..ib is the white inside and the rest the black outline (all outline while ia > ib).
    struct EllipseRow
    {
        std::int32_t x0, x1, ia, ib;
    };

    Tile& TileAt(int x, int y) { return m_tiles[static_cast<std::size_t>(y >> kTileShiftY) * m_tilesX + (x >> kTileShiftX)]; }
    // Tile tx of tile row ty in a mask of m_maskWords words per row.
    void MarkTile(std::vector<std::uint64_t>& mask, int tx, int ty)
    {
        mask[static_cast<std::size_t>(ty) * m_maskWords + (tx >> 6)] |= std::uint64_t{1} << (tx & 63);
    }
    void MarkPixel(int x, int y, bool bInk);
    void MarkRect(const CRect& rc, bool bInk);   // rc lies inside the buffer
    void ClearToBlack(const CRect& rc);           // rc lies inside the buffer
    void AddChangedRect(std::vector<CRect>& rects, const CRect& rc, int tileTop);
    const EllipseRow* CachedEllipse(std::int64_t cx, std::int64_t cy);
    bool SetPixelUnder(int x, int y, ColorRef cr);
    inline void PutBit(int x, int y, bool bWhite);   // x, y inside the buffer
    bool PaintUnder(int y, std::int64_t from, std::int64_t to, bool bWhite);   // row y, columns from..to
    std::uint64_t* RowBits(int y) { return m_bits.data() + static_cast<std::size_t>(y) * m_nStride; }
    int NextUnpaintedRow(int y);

    int m_cx = 0;
    int m_cy = 0;
    int m_tilesX = 0;
    int m_tilesY = 0;
    int m_nStride = 0;   // words per row
    std::vector<std::uint64_t> m_bits;
    std::vector<Tile> m_tiles;
    int m_maskWords = 0;                        // per tile row
    std::vector<std::uint64_t> m_changedTiles;  // the tiles whose changed box is not empty
    std::vector<std::uint64_t> m_inkedTiles;    // the tiles whose ink box is not empty
    // TakeChangedRects' indexes of the rectangles that reach the bottom of the tile row above, and
    // of those that reach the bottom of the current one.
    std::vector<std::size_t> m_openRects;
    std::vector<std::size_t> m_closingRects;

    // Row tables of the circle sizes drawn so far, by diameter: snow draws a few dozen sizes over
    // and over. The rows share one block reserved on first use, so a new size never allocates.
    std::vector<EllipseRow> m_circleRows;
    std::vector<std::int32_t> m_circleStart;   // per diameter, its first row in m_circleRows, or -1

    // The reverse-order batch's record of painted pixels, as disjoint-set forests: per row, from
    // each column the way to the first unpainted column at or right of it (m_cx: none); the same
    // over rows for the first row that still has an unpainted pixel (m_cy: none).
    bool m_bReverse = false;
    std::vector<std::int32_t> m_nextUnpainted;   // m_cy rows of m_cx + 1 entries
    std::vector<std::int32_t> m_unpaintedInRow;
    std::vector<std::int32_t> m_nextRow;         // m_cy + 1 entries
    std::int64_t m_nUnpainted = 0;
};

inline void CFrameBuffer::MarkPixel(int x, int y, bool bInk)
{
    Tile& t = TileAt(x, y);
    const int lx = x & (kTileWidth - 1);
    const int ly = y & (kTileHeight - 1);
    t.changed.Add(lx, ly);
    MarkTile(m_changedTiles, x >> kTileShiftX, y >> kTileShiftY);
    if (bInk)
    {
        t.ink.Add(lx, ly);
        MarkTile(m_inkedTiles, x >> kTileShiftX, y >> kTileShiftY);
    }
}

inline bool CFrameBuffer::SetPixelV(int x, int y, ColorRef cr)
{
    if (static_cast<unsigned>(x) >= static_cast<unsigned>(m_cx) || static_cast<unsigned>(y) >= static_cast<unsigned>(m_cy))
        return false;
    if (m_bReverse)
        return SetPixelUnder(x, y, cr);
    PutBit(x, y, IsWhite(cr));
    return true;
}

inline void CFrameBuffer::PutBit(int x, int y, bool bWhite)
{
    std::uint64_t& word = RowBits(y)[x >> 6];
    const std::uint64_t bit = std::uint64_t{1} << (x & 63);
    if (((word & bit) != 0) != bWhite)
    {
        word ^= bit;
        MarkPixel(x, y, bWhite);
    }
}
