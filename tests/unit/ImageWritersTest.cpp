// Unit tests of the recorder's PNG and GIF writers.

#include "tools/kelvane-record/ImageWriters.h"

#include <gif_lib.h>
#include <png.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace
{
using Frame = std::vector<std::uint32_t>;
constexpr std::uint32_t kBlack = 0xFF000000u;
constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
constexpr int kTransparent = 2;

class TempFolder : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NE(mkdtemp(m_dir.data()), nullptr); }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string PathOf(const char* name) const { return m_dir + "/" + name; }

    std::string m_dir = (fs::temp_directory_path() / "kelvane-imagewriters-XXXXXX").string();
};
using GifWriter = TempFolder;
using PngWriter = TempFolder;

// Runs `write` where a file may not outgrow `bytes`: writing beyond fails with EFBIG.
template <class Write>
bool WithFileSizeLimit(rlim_t bytes, Write write)
{
    rlimit old = {};
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit limit = {bytes, old.rlim_max};
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    const bool bResult = write();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    return bResult;
}

std::string Bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Contains(const std::string& text, const std::string& part)
{
    return text.find(part) == std::string::npos ? "'" + text + "' lacks '" + part + "'" : "";
}

Frame Noise(int n, std::uint32_t seed)
{
    Frame f(n);
    for (auto& px : f)
        px = (seed = seed * 1664525u + 1013904223u) >> 31 ? kWhite : kBlack;
    return f;
}

bool WriteGif(const std::string& path, int width, int height, const std::vector<Frame>& frames,
              const std::vector<int>& delays)
{
    CGifWriter writer;
    bool bOk = writer.Open(path, width, height);
    for (std::size_t i = 0; i < frames.size(); ++i)
        bOk = bOk && writer.AddFrame(frames[i].data(), delays[i]);
    return writer.Close() && bOk;
}

// Composites the frames as a viewer shows them, checking each is kept rather than disposed of.
struct DecodedGif
{
    ~DecodedGif() { DGifCloseFile(pGif, nullptr); }

    void Decode(const std::string& path)
    {
        int err = 0;
        pGif = DGifOpenFileName(path.c_str(), &err);
        ASSERT_NE(pGif, nullptr) << GifErrorString(err);
        ASSERT_EQ(DGifSlurp(pGif), GIF_OK) << GifErrorString(pGif->Error);
        ASSERT_TRUE(pGif->SColorMap && pGif->ImageCount > 0);
        Frame canvas(pGif->SWidth * pGif->SHeight, 0);
        for (int i = 0; i < pGif->ImageCount; ++i)
        {
            const GifImageDesc& d = pGif->SavedImages[i].ImageDesc;
            GraphicsControlBlock gcb = {};
            ASSERT_EQ(DGifSavedExtensionToGCB(pGif, i, &gcb), GIF_OK);
            EXPECT_EQ(gcb.DisposalMode, DISPOSE_DO_NOT);
            ASSERT_TRUE(d.Left + d.Width <= pGif->SWidth && d.Top + d.Height <= pGif->SHeight && !d.ColorMap);
            for (int at = 0; at < d.Width * d.Height; ++at)
            {
                const int index = pGif->SavedImages[i].RasterBits[at];
                ASSERT_LT(index, pGif->SColorMap->ColorCount);
                const GifColorType c = pGif->SColorMap->Colors[index];
                if (index != gcb.TransparentColor)
                    canvas[(d.Top + at / d.Width) * pGif->SWidth + d.Left + at % d.Width] =
                        0xFF000000u | c.Red << 16 | c.Green << 8 | c.Blue;
            }
            frames.push_back(canvas);
            delays.push_back(gcb.DelayTime);
            boxes.push_back({d.Left, d.Top, d.Width, d.Height});
        }
    }

    GifFileType* pGif = nullptr;
    std::vector<Frame> frames;
    std::vector<int> delays;
    std::vector<std::vector<int>> boxes;   // left, top, width, height
};
}   // namespace

TEST_F(GifWriter, FramesDecodeToTheInput)
{
    const int w = 43, h = 30;   // rows of whole and partial 8-pixel words
    const auto scene = [&](int t) {
        Frame f(w * h, kBlack);
        for (int y = -4; y <= 4; ++y)
            for (int x = -4; x <= 4; ++x)
                if (x * x + y * y <= 16)
                    f[(6 + 2 * t + y) * w + 8 + 3 * t + x] = kWhite;
        f[3 * w + 35 - t] = kWhite;
        f[h * w - 1 - t] = kWhite;
        return f;
    };
    // Other colours around the luminance threshold of 128; alpha plays no part.
    const std::pair<std::uint32_t, std::uint32_t> colours[] = {
        {0xFF808080, kWhite}, {0xFF7F7F7F, kBlack}, {0xFF00DB00, kWhite}, {0xFF00DA00, kBlack},
        {0xFFFF0000, kBlack}, {0xFF0000FF, kBlack}, {0x00FFFFFF, kWhite}, {0x7F000000, kBlack}};
    std::vector<Frame> input = {scene(0), scene(1), scene(1), Frame(w * h, kWhite), scene(2), scene(3)};
    std::vector<Frame> expected = input;
    for (int i = 0; i < std::ssize(colours); ++i)
    {
        input[4][(h - 1) * w + i] = colours[i].first;
        expected[4][(h - 1) * w + i] = colours[i].second;
    }

    const std::string path = PathOf("snow.gif");
    ASSERT_TRUE(WriteGif(path, w, h, input, {5, 7, 9, -3, 70000, 65535}));
    DecodedGif gif;
    ASSERT_NO_FATAL_FAILURE(gif.Decode(path));
    ASSERT_EQ(gif.frames.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
    {
        SCOPED_TRACE("frame " + std::to_string(i));
        EXPECT_EQ(gif.frames[i], expected[i]);
    }
    EXPECT_EQ(gif.delays, (std::vector<int>{5, 7, 9, 0, 65535, 65535}));
    EXPECT_EQ(Bytes(path).substr(0, 6), "GIF89a");
    const SavedImage& first = gif.pGif->SavedImages[0];
    ASSERT_GE(first.ExtensionBlockCount, 2);
    EXPECT_EQ(first.ExtensionBlocks[0].Function, APPLICATION_EXT_FUNC_CODE);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(first.ExtensionBlocks[0].Bytes), 11), "NETSCAPE2.0");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(first.ExtensionBlocks[1].Bytes), 3), std::string("\1\0\0", 3))
        << "loops forever";
}

TEST_F(GifWriter, LaterFramesHoldOnlyTheChangedBox)
{
    const int w = 21, h = 2;
    std::vector<Frame> frames(1, Frame(w * h, kBlack));
    std::vector<std::vector<int>> boxes = {{0, 0, w, h}};
    for (int x = 0; x < w; ++x)   // a lone change at every column, then its removal
    {
        frames.push_back(frames[0]);
        frames.back()[w + x] = kWhite;
        frames.push_back(frames[0]);
        boxes.insert(boxes.end(), 2, {x, 1, 1, 1});
    }
    frames.push_back(frames.back());
    boxes.push_back({0, 0, 1, 1});
    frames.push_back(frames[0]);
    frames.back()[0] = frames.back()[w * h - 1] = kWhite;
    boxes.push_back({0, 0, w, h});
    ASSERT_TRUE(WriteGif(PathOf("box.gif"), w, h, frames, std::vector<int>(frames.size(), 1)));

    DecodedGif gif;
    ASSERT_NO_FATAL_FAILURE(gif.Decode(PathOf("box.gif")));
    ASSERT_EQ(gif.boxes, boxes);
    const GifByteType* unchanged = gif.pGif->SavedImages[gif.pGif->ImageCount - 2].RasterBits;
    EXPECT_EQ(unchanged[0], kTransparent);
    std::vector<GifByteType> changes(w * h, kTransparent);
    changes.front() = changes.back() = 1;
    const GifByteType* last = gif.pGif->SavedImages[gif.pGif->ImageCount - 1].RasterBits;
    EXPECT_EQ(std::vector<GifByteType>(last, last + w * h), changes);
}

TEST_F(GifWriter, SameFramesGiveSameBytesAlsoWhenTheDestructorFinishes)
{
    const std::vector<Frame> frames = {Noise(64 * 48, 1), Noise(64 * 48, 2), Noise(64 * 48, 2)};
    ASSERT_TRUE(WriteGif(PathOf("a.gif"), 64, 48, frames, {3, 4, 5}));
    ASSERT_TRUE(WriteGif(PathOf("b.gif"), 64, 48, frames, {3, 4, 5}));
    EXPECT_EQ(Bytes(PathOf("a.gif")), Bytes(PathOf("b.gif")));
    {
        CGifWriter writer;
        ASSERT_TRUE(writer.Open(PathOf("c.gif"), 64, 48));
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(writer.AddFrame(frames[i].data(), 3 + i));
    }
    EXPECT_EQ(Bytes(PathOf("a.gif")), Bytes(PathOf("c.gif")));
}

TEST_F(GifWriter, RefusesWhatCannotBeWrittenWithoutLeavingAFile)
{
    for (const auto& [w, h] : {std::pair(0, 1), {1, 0}, {-5, 10}, {65536, 1}, {1, 65536}})
    {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        CGifWriter writer;
        EXPECT_FALSE(writer.Open(PathOf("size.gif"), w, h));
        EXPECT_EQ(Contains(writer.Error(), "1..65535"), "");
        EXPECT_FALSE(fs::exists(PathOf("size.gif")));
    }

    CGifWriter writer;
    const std::string missing = PathOf("missing/snow.gif");
    EXPECT_FALSE(writer.Open(missing, 4, 4));
    EXPECT_EQ(Contains(writer.Error(), missing), "");
    EXPECT_EQ(Contains(writer.Error(), std::make_error_code(std::errc::no_such_file_or_directory).message()), "");

    const Frame frame(4 * 4, kWhite);
    EXPECT_FALSE(writer.AddFrame(frame.data(), 1));
    EXPECT_FALSE(writer.Close());
    ASSERT_TRUE(writer.Open(PathOf("empty.gif"), 4, 4));
    EXPECT_FALSE(writer.Open(PathOf("other.gif"), 4, 4));
    EXPECT_FALSE(writer.AddFrame(nullptr, 1));
    EXPECT_FALSE(writer.Close()) << "a GIF without frames";
    EXPECT_FALSE(fs::exists(PathOf("empty.gif")));
    EXPECT_FALSE(fs::exists(PathOf("other.gif")));
}

TEST_F(GifWriter, FailedWritesAreReportedAndLeaveNoFile)
{
    EXPECT_FALSE(WithFileSizeLimit(1000, [&] {
        return WriteGif(PathOf("big.gif"), 128, 128, {Noise(128 * 128, 1), Noise(128 * 128, 2)}, {1, 1});
    }));
    EXPECT_FALSE(fs::exists(PathOf("big.gif")));

    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    CGifWriter writer;
    const Frame frame(8 * 8, kBlack);
    ASSERT_TRUE(writer.Open("/dev/full", 8, 8));
    writer.AddFrame(frame.data(), 1);   // fails here or, still buffered, on Close
    EXPECT_FALSE(writer.Close());
    EXPECT_EQ(Contains(writer.Error(), std::make_error_code(std::errc::no_space_on_device).message()), "");
    EXPECT_TRUE(fs::exists("/dev/full")) << "a device is never removed";
}

TEST_F(PngWriter, ReadsBackAsTheInputWithNothingTimeDependent)
{
    const int w = 7, h = 5;
    Frame input(w * h);
    for (int i = 0; i < w * h; ++i)
        input[i] = 0xFF000000u | (i * 7) << 16 | (255 - i) << 8 | (i * 3);
    input[0] = 0x12345678;   // alpha is ignored
    ASSERT_TRUE(WritePng(PathOf("a.png"), input.data(), w, h, nullptr));
    ASSERT_TRUE(WritePng(PathOf("b.png"), input.data(), w, h, nullptr));
    const std::string bytes = Bytes(PathOf("a.png"));
    EXPECT_EQ(bytes, Bytes(PathOf("b.png")));

    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, PathOf("a.png").c_str())) << image.message;
    std::vector<png_byte> rgb(w * h * 3);
    image.format = PNG_FORMAT_RGB;
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) << image.message;
    Frame decoded(w * h);
    for (int i = 0; i < w * h; ++i)
        decoded[i] = 0xFF000000u | rgb[3 * i] << 16 | rgb[3 * i + 1] << 8 | rgb[3 * i + 2];
    input[0] |= 0xFF000000u;
    EXPECT_EQ(decoded, input);

    // 7x5, 8-bit RGB, not interlaced; and no chunk but the pixels'.
    EXPECT_EQ(bytes.substr(16, 13), std::string("\0\0\0\7\0\0\0\5\x08\x02\0\0\0", 13));
    std::string chunks;   // all short enough for two length bytes
    for (std::size_t at = 8; at + 8 <= bytes.size();
         at += 12 + (std::uint32_t(std::uint8_t(bytes[at + 2])) << 8 | std::uint8_t(bytes[at + 3])))
        chunks += bytes.substr(at + 4, 4) + " ";
    EXPECT_EQ(chunks, "IHDR IDAT IEND ");
}

TEST_F(PngWriter, FailuresAreReportedAndLeaveNoFile)
{
    const Frame small(4 * 4, kWhite);
    const Frame large(2'000'000, kWhite);
    const auto expectFailure = [](const char* pCase, const std::string& path, const Frame& pixels, int w, int h,
                                  rlim_t sizeLimit) {
        SCOPED_TRACE(pCase);
        std::string error;
        EXPECT_FALSE(WithFileSizeLimit(sizeLimit, [&] { return WritePng(path, pixels.data(), w, h, &error); }));
        EXPECT_EQ(Contains(error, path), "");
        EXPECT_FALSE(fs::exists(path));
    };
    expectFailure("no width", PathOf("a.png"), small, 0, 4, RLIM_INFINITY);
    expectFailure("negative height", PathOf("a.png"), small, 4, -1, RLIM_INFINITY);
    expectFailure("missing folder", PathOf("missing/a.png"), small, 4, 4, RLIM_INFINITY);
    expectFailure("wider than libpng allows", PathOf("a.png"), large, 2'000'000, 1, RLIM_INFINITY);
    expectFailure("file too large", PathOf("a.png"), large, 1000, 2000, 100);
}
