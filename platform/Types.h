#pragma once
// Plain value types shared by the program and every back end. Names follow the application
// framework the program was first written on; none of them is an operating-system type.

#include <algorithm>
#include <cstdint>

using UINT = unsigned int;   // the same type as Win32's UINT, so the Windows back end can mix them

// A colour as Win32 writes it, 0x00BBGGRR.
using ColorRef = std::uint32_t;

constexpr ColorRef RgbColor(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return static_cast<ColorRef>(r) | (static_cast<ColorRef>(g) << 8) | (static_cast<ColorRef>(b) << 16);
}

// An icon of the program's resources as pixels, 0xAARRGGBB, alpha 0 where the background shows
// through. Every back end draws the same picture; an icon handle names one of these.
struct CIconImage
{
    int cx;
    int cy;
    const std::uint32_t* pPixels;   // cx * cy, top-down rows
};
using IconHandle = const CIconImage*;

struct CPoint
{
    int x = 0;
    int y = 0;

    constexpr CPoint() = default;
    constexpr CPoint(int xPos, int yPos) : x(xPos), y(yPos) {}
    friend constexpr bool operator==(const CPoint&, const CPoint&) = default;
};

// A rectangle with exclusive right and bottom edges, as Win32 keeps them.
struct CRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr CRect() = default;
    constexpr CRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr bool IsRectEmpty() const { return right <= left || bottom <= top; }
    constexpr bool PtInRect(CPoint pt) const { return pt.x >= left && pt.x < right && pt.y >= top && pt.y < bottom; }

    // The part of this rectangle inside rc; empty when they do not meet.
    constexpr CRect Intersect(const CRect& rc) const
    {
        return CRect(std::max(left, rc.left), std::max(top, rc.top), std::min(right, rc.right),
                     std::min(bottom, rc.bottom));
    }

    friend constexpr bool operator==(const CRect&, const CRect&) = default;
};
