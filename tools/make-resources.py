#!/usr/bin/env python3
"""Writes the program's icon (res/kelvane.ico, and its 32x32 picture as res/Icons.cpp for the
back ends without resource files) and blank cursor (res/blank.cur).

The icon is a white six-armed snowflake on a navy disc, at 32x32 and 16x16 in the 16-colour
palette; the cursor is 32x32 monochrome and fully transparent, with its hot spot at 0,0.
Run it again after changing the drawing; the files it writes are committed.
"""

import math
import struct
from pathlib import Path

# The standard 16-colour palette, as (R, G, B).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
NAVY, SILVER, WHITE = 4, 7, 15


def bitmap_header(width, height, bit_count, colours, image_size):
    # Icons and cursors store the colour image and the mask one above the other: twice the height.
    return struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, bit_count, 0, image_size, 0, 0, colours, 0)


def row_bytes(width, bit_count):
    return ((width * bit_count + 31) // 32) * 4


def pack_rows(rows, bit_count):
    """rows: top-down lists of pixel values; returns the bottom-up, padded bits."""
    out = bytearray()
    for row in reversed(rows):
        bits = 0
        for value in row:
            bits = (bits << bit_count) | value
        n = len(row) * bit_count
        data = bits.to_bytes((n + 7) // 8, "big") if n % 8 == 0 else (bits << (8 - n % 8)).to_bytes((n + 7) // 8, "big")
        out += data + bytes(row_bytes(len(row), bit_count) - len(data))
    return bytes(out)


def snowflake(size):
    """A size x size image of palette indices and its transparency (True: see-through)."""
    c = (size - 1) / 2
    disc = size / 2 - 0.25
    arm = size * 0.42
    width = 0.75 if size >= 32 else 0.5
    branches = ((0.5, 0.17), (0.78, 0.1)) if size >= 32 else ((0.6, 0.2),)
    segments = []
    for k in range(6):
        a = math.radians(90 + 60 * k)
        ex, ey = c + arm * math.cos(a), c - arm * math.sin(a)
        segments.append(((c, c), (ex, ey)))
        for along, branch in branches:
            bx, by = c + along * arm * math.cos(a), c - along * arm * math.sin(a)
            for turn in (-60, 60):
                b = a + math.radians(turn)
                segments.append(((bx, by), (bx + branch * size * math.cos(b), by - branch * size * math.sin(b))))

    def distance(px, py, seg):
        (x0, y0), (x1, y1) = seg
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / (dx * dx + dy * dy)))
        return math.hypot(px - (x0 + t * dx), py - (y0 + t * dy))

    pixels, clear = [], []
    for y in range(size):
        prow, crow = [], []
        for x in range(size):
            inside = math.hypot(x - c, y - c) <= disc
            d = min(distance(x, y, s) for s in segments)
            colour = WHITE if d <= width else SILVER if d <= width + 0.45 else NAVY
            prow.append(colour if inside else 0)
            crow.append(not inside)
        pixels.append(prow)
        clear.append(crow)
    return pixels, clear


def icon_image(size):
    pixels, clear = snowflake(size)
    xor = pack_rows(pixels, 4)
    mask = pack_rows([[1 if c else 0 for c in row] for row in clear], 1)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return bitmap_header(size, size, 4, 16, len(xor) + len(mask)) + palette + xor + mask


def write_icon(path, sizes):
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    path.write_bytes(out + b"".join(images))


def write_icon_source(path, size):
    pixels, clear = snowflake(size)
    rows = ["".join("." if c else "%x" % v for v, c in zip(prow, crow)) for prow, crow in zip(pixels, clear)]
    palette = ", ".join("0xFF%02X%02X%02Xu" % rgb for rgb in PALETTE)
    body = "\n".join('    "%s",' % row for row in rows)
    path.write_text(f"""// The program's icon (IDR_MAINFRAME) as pixels, for the back ends without resource files: the
// 32x32 picture of res/kelvane.ico. Written by tools/make-resources.py; run it again, not edit this.

#include "platform/WinApp.h"
#include "res/Resource.h"

#include <cstdint>

namespace
{{
constexpr int kSize = {size};

// Palette indices, '.' where the background shows through.
constexpr const char* kRows[kSize] = {{
{body}
}};

constexpr std::uint32_t kPalette[16] = {{{palette}}};

struct MainIcon
{{
    std::uint32_t pixels[kSize * kSize] = {{}};
    CIconImage image{{kSize, kSize, pixels}};

    MainIcon()
    {{
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
            {{
                const char c = kRows[y][x];
                pixels[y * kSize + x] = c == '.' ? 0u : kPalette[c <= '9' ? c - '0' : c - 'a' + 10];
            }}
    }}
}};
}}   // namespace

IconHandle AfxFindIcon(UINT nID)
{{
    static const MainIcon s_icon;
    return nID == IDR_MAINFRAME ? &s_icon.image : nullptr;
}}
""")


def write_blank_cursor(path):
    size = 32
    xor = bytes(row_bytes(size, 1) * size)               # all 0: nothing drawn
    mask = bytes([0xFF]) * (row_bytes(size, 1) * size)   # all 1: the screen shows through
    palette = struct.pack("<BBBB", 0, 0, 0, 0) + struct.pack("<BBBB", 255, 255, 255, 0)
    image = bitmap_header(size, size, 1, 2, len(xor) + len(mask)) + palette + xor + mask
    hot_x, hot_y = 0, 0
    out = struct.pack("<HHH", 0, 2, 1) + struct.pack("<BBBBHHII", size, size, 2, 0, hot_x, hot_y, len(image), 22)
    path.write_bytes(out + image)


if __name__ == "__main__":
    res = Path(__file__).resolve().parent.parent / "res"
    write_icon(res / "kelvane.ico", [32, 16])
    write_icon_source(res / "Icons.cpp", 32)
    write_blank_cursor(res / "blank.cur")
