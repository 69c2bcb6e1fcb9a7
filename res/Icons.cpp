// The program's icon (IDR_MAINFRAME) as pixels, for the back ends without resource files: the
// 32x32 picture of res/kelvane.ico. Written by tools/make-resources.py; run it again, not edit this.

#include "platform/WinApp.h"
#include "res/Resource.h"

#include <cstdint>

namespace
{
constexpr int kSize = 32;

// Palette indices, '.' where the background shows through.
constexpr const char* kRows[kSize] = {
    ".............444444.............",
    "..........444447744444..........",
    "........4444444ff4444444........",
    "......4444447f7ff7f7444444......",
    ".....44444447ffffff74444444.....",
    "....4444444744ffff4474444444....",
    "...44474477ff74ff47ff77447444...",
    "...444ff4fffff7ff7fffff4ff444...",
    "..4774ff4ff47ffffff74ff4ff4774..",
    "..47ffff4ff4447ff7444ff4ffff74..",
    ".4447fff7ff4444ff4444ff7fff7444.",
    ".447fffffff4444ff4444fffffff744.",
    ".44ff744fff7444ff4447fff447ff44.",
    "4444747ffffff74ff47ffffff7474444",
    "44444fff7447ffffffff7447fff44444",
    "44447ff7444447ffff7444447ff74444",
    "44447ff7444447ffff7444447ff74444",
    "44444fff7447ffffffff7447fff44444",
    "4444747ffffff74ff47ffffff7474444",
    ".44ff744fff7444ff4447fff447ff44.",
    ".447fffffff4444ff4444fffffff744.",
    ".4447fff7ff4444ff4444ff7fff7444.",
    "..47ffff4ff4447ff7444ff4ffff74..",
    "..4774ff4ff47ffffff74ff4ff4774..",
    "...444ff4fffff7ff7fffff4ff444...",
    "...44474477ff74ff47ff77447444...",
    "....4444444744ffff4474444444....",
    ".....44444447ffffff74444444.....",
    "......4444447f7ff7f7444444......",
    "........4444444ff4444444........",
    "..........444447744444..........",
    ".............444444.............",
};

constexpr std::uint32_t kPalette[16] = {0xFF000000u, 0xFF800000u, 0xFF008000u, 0xFF808000u, 0xFF000080u, 0xFF800080u, 0xFF008080u, 0xFFC0C0C0u, 0xFF808080u, 0xFFFF0000u, 0xFF00FF00u, 0xFFFFFF00u, 0xFF0000FFu, 0xFFFF00FFu, 0xFF00FFFFu, 0xFFFFFFFFu};

struct MainIcon
{
    std::uint32_t pixels[kSize * kSize] = {};
    CIconImage image{kSize, kSize, pixels};

    MainIcon()
    {
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
            {
                const char c = kRows[y][x];
                pixels[y * kSize + x] = c == '.' ? 0u : kPalette[c <= '9' ? c - '0' : c - 'a' + 10];
            }
    }
};
}   // namespace

IconHandle AfxFindIcon(UINT nID)
{
    static const MainIcon s_icon;
    return nID == IDR_MAINFRAME ? &s_icon.image : nullptr;
}
