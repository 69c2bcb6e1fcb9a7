// The recorder's image files: frames of the headless framebuffer as a PNG or a looping GIF.

#include "tools/kelvane-record/ImageWriters.h"

#include <gif_lib.h>
#include <png.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <system_error>
#include <utility>

namespace
{
constexpr GifPixelType kBlackIndex = 0;
constexpr GifPixelType kWhiteIndex = 1;
constexpr GifPixelType kTransparentIndex = 2;
constexpr int kMaxGifSide = 65535;

std::string ErrnoText(int err)
{
    return std::error_code(err, std::generic_category()).message();
}

std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
}

// Opens for writing and tells whether what it opened is a regular file, the only kind we may remove.
std::FILE* CreateOutput(const std::string& path, bool* pRegular, std::string* pError)
{
    std::FILE* pFile = std::fopen(path.c_str(), "wb");
    if (!pFile)
    {
        *pError = "cannot create " + Quoted(path) + ": " + ErrnoText(errno);
        return nullptr;
    }
    struct stat st = {};
    *pRegular = fstat(fileno(pFile), &st) == 0 && S_ISREG(st.st_mode);
    return pFile;
}

// Closes the file and reports whether everything buffered reached it.
bool CloseFile(std::FILE* pFile, int* pErrno)
{
    errno = 0;
    const bool bFlushed = std::fflush(pFile) == 0 && !std::ferror(pFile);
    int err = errno;
    if (std::fclose(pFile) != 0 && err == 0)
        err = errno;
    if (bFlushed && err == 0)
        return true;
    *pErrno = err != 0 ? err : EIO;
    return false;
}

// White when the luminance 0.299R + 0.587G + 0.114B is at least 128, in integers so the threshold is
// exact. Pure black and white, all the snow is drawn with, skip the arithmetic.
void ToIndices(const std::uint32_t* __restrict pixels, std::uint8_t* __restrict indices, int n)
{
    for (int x = 0; x < n; ++x)
    {
        const std::uint32_t rgb = pixels[x] & 0xFFFFFFu;
        if (rgb == 0)
            indices[x] = kBlackIndex;
        else if (rgb == 0xFFFFFFu)
            indices[x] = kWhiteIndex;
        else
            indices[x] = 299 * (rgb >> 16) + 587 * ((rgb >> 8) & 0xFF) + 114 * (rgb & 0xFF) >= 128000 ? kWhiteIndex
                                                                                                      : kBlackIndex;
    }
}

// The row of a change frame: what changed, and the transparent index where nothing did. Eight
// pixels at a time: indices are 0 or 1, so (cur ^ prev) * 0xFF is 0xFF in each byte that changed.
void ToChanges(const std::uint8_t* cur, const std::uint8_t* prev, std::uint8_t* row, int n)
{
    constexpr std::uint64_t kAllTransparent = 0x0101010101010101u * kTransparentIndex;
    int x = 0;
    for (; x + 8 <= n; x += 8)
    {
        std::uint64_t c, p;
        std::memcpy(&c, cur + x, 8);
        std::memcpy(&p, prev + x, 8);
        const std::uint64_t changed = (c ^ p) * 0xFF;
        const std::uint64_t r = (c & changed) | (kAllTransparent & ~changed);
        std::memcpy(row + x, &r, 8);
    }
    for (; x < n; ++x)
        row[x] = cur[x] == prev[x] ? kTransparentIndex : cur[x];
}
}   // namespace

CGifWriter::~CGifWriter()
{
    if (m_pGif)
        Close();
}

int CGifWriter::WriteBytes(GifFileType* pGif, const unsigned char* pData, int nBytes)
{
    CGifWriter* pSelf = static_cast<CGifWriter*>(pGif->UserData);
    if (pSelf->m_writeErrno != 0 || nBytes < 0)
        return 0;
    errno = 0;
    const std::size_t nWritten = std::fwrite(pData, 1, static_cast<std::size_t>(nBytes), pSelf->m_pFile);
    if (nWritten != static_cast<std::size_t>(nBytes))
        pSelf->m_writeErrno = errno != 0 ? errno : EIO;
    return static_cast<int>(nWritten);
}

bool CGifWriter::Open(const std::string& path, int width, int height)
{
    if (m_pGif)
    {
        m_error = "cannot open " + Quoted(path) + ": " + Quoted(m_path) + " is still open";
        return false;
    }
    m_bAbandoned = false;
    if (width < 1 || width > kMaxGifSide || height < 1 || height > kMaxGifSide)
    {
        m_error = "cannot write " + Quoted(path) + ": a GIF of " + std::to_string(width) + "x" +
                  std::to_string(height) + " pixels is impossible, each side must be 1..65535";
        return false;
    }
    const std::size_t nPixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    try
    {
        m_prev.assign(nPixels, kBlackIndex);
        m_cur.assign(nPixels, kBlackIndex);
        m_row.assign(static_cast<std::size_t>(width), kBlackIndex);
    }
    catch (const std::bad_alloc&)
    {
        ReleaseFile();
        m_error = "cannot write " + Quoted(path) + ": not enough memory for " + std::to_string(width) + "x" +
                  std::to_string(height) + " frames";
        return false;
    }

    m_pFile = CreateOutput(path, &m_bRegularFile, &m_error);
    if (!m_pFile)
    {
        ReleaseFile();
        return false;
    }
    m_path = path;
    m_width = width;
    m_height = height;
    m_nFrames = 0;
    m_writeErrno = 0;

    int err = 0;
    m_pGif = EGifOpen(this, WriteBytes, &err);
    if (!m_pGif)
    {
        m_error = "cannot write " + Quoted(path) + ": " + (GifErrorString(err) ? GifErrorString(err) : "giflib failed");
        Abandon();
        return false;
    }
    EGifSetGifVersion(m_pGif, true);

    // Black and white, then the transparent index of the change frames; giflib wants 2^n entries.
    GifColorType colours[4] = {{0, 0, 0}, {255, 255, 255}, {0, 0, 0}, {0, 0, 0}};
    ColorMapObject palette = {4, 2, false, colours};
    if (EGifPutScreenDesc(m_pGif, width, height, 8, kBlackIndex, &palette) == GIF_ERROR)
        return FailWriting("the screen descriptor");

    // NETSCAPE2.0 with a loop count of 0: play forever.
    static const GifByteType kAppId[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType kLoopForever[] = {1, 0, 0};
    if (EGifPutExtensionLeader(m_pGif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(m_pGif, sizeof kAppId, kAppId) == GIF_ERROR ||
        EGifPutExtensionBlock(m_pGif, sizeof kLoopForever, kLoopForever) == GIF_ERROR ||
        EGifPutExtensionTrailer(m_pGif) == GIF_ERROR || m_writeErrno != 0)
        return FailWriting("the loop extension");

    m_error.clear();
    return true;
}

bool CGifWriter::AddFrame(const std::uint32_t* pixels, int delayCentiseconds)
{
    if (!m_pGif)
    {
        if (!m_bAbandoned)
            m_error = "cannot add a frame: no GIF file is open";
        return false;
    }
    if (!pixels)
    {
        m_error = "cannot add a frame to " + Quoted(m_path) + ": no pixels given";
        return false;
    }
    const std::size_t w = static_cast<std::size_t>(m_width);

    if (m_nFrames == 0)
    {
        for (int y = 0; y < m_height; ++y)
            ToIndices(pixels + y * w, m_prev.data() + y * w, m_width);
        if (!WriteImage(0, 0, m_width, m_height, delayCentiseconds))
            return false;
        for (int y = 0; y < m_height; ++y)
        {
            std::memcpy(m_row.data(), m_prev.data() + y * w, w);
            if (EGifPutLine(m_pGif, m_row.data(), m_width) == GIF_ERROR)
                return FailWriting("a frame");
        }
        ++m_nFrames;
        return m_writeErrno == 0 || FailWriting("a frame");
    }

    // The box around the pixels that differ from the previous frame.
    int left = m_width, right = -1, top = -1, bottom = -1;
    for (int y = 0; y < m_height; ++y)
    {
        std::uint8_t* cur = m_cur.data() + y * w;
        const std::uint8_t* prev = m_prev.data() + y * w;
        ToIndices(pixels + y * w, cur, m_width);
        if (std::memcmp(cur, prev, w) == 0)
            continue;
        int x0 = 0;
        while (x0 + 8 <= m_width && std::memcmp(cur + x0, prev + x0, 8) == 0)
            x0 += 8;
        while (cur[x0] == prev[x0])
            ++x0;
        int x1 = m_width - 1;
        while (x1 >= 7 && std::memcmp(cur + x1 - 7, prev + x1 - 7, 8) == 0)
            x1 -= 8;
        while (cur[x1] == prev[x1])
            --x1;
        left = std::min(left, x0);
        right = std::max(right, x1);
        if (top < 0)
            top = y;
        bottom = y;
    }

    if (top < 0)
    {
        // Nothing changed: one transparent pixel keeps the frame, and so its delay.
        if (!WriteImage(0, 0, 1, 1, delayCentiseconds))
            return false;
        m_row[0] = kTransparentIndex;
        if (EGifPutLine(m_pGif, m_row.data(), 1) == GIF_ERROR)
            return FailWriting("a frame");
    }
    else
    {
        const int boxWidth = right - left + 1;
        if (!WriteImage(left, top, boxWidth, bottom - top + 1, delayCentiseconds))
            return false;
        for (int y = top; y <= bottom; ++y)
        {
            const std::size_t at = y * w + left;
            ToChanges(m_cur.data() + at, m_prev.data() + at, m_row.data(), boxWidth);
            if (EGifPutLine(m_pGif, m_row.data(), boxWidth) == GIF_ERROR)
                return FailWriting("a frame");
        }
        std::swap(m_prev, m_cur);
    }
    ++m_nFrames;
    return m_writeErrno == 0 || FailWriting("a frame");
}

bool CGifWriter::WriteImage(int left, int top, int width, int height, int delayCentiseconds)
{
    GraphicsControlBlock gcb = {};
    gcb.DisposalMode = DISPOSE_DO_NOT;
    gcb.UserInputFlag = false;
    gcb.DelayTime = std::clamp(delayCentiseconds, 0, 65535);
    gcb.TransparentColor = kTransparentIndex;
    GifByteType extension[4] = {};
    EGifGCBToExtension(&gcb, extension);
    if (EGifPutExtension(m_pGif, GRAPHICS_EXT_FUNC_CODE, sizeof extension, extension) == GIF_ERROR ||
        EGifPutImageDesc(m_pGif, left, top, width, height, false, nullptr) == GIF_ERROR)
        return FailWriting("a frame");
    return true;
}

bool CGifWriter::Close()
{
    if (!m_pGif)
    {
        if (!m_bAbandoned)
            m_error = "cannot close: no GIF file is open";
        return false;
    }
    if (m_nFrames == 0)
    {
        m_error = "cannot finish " + Quoted(m_path) + ": it has no frame";
        Abandon();
        return false;
    }

    int err = 0;
    const bool bFinished = EGifCloseFile(m_pGif, &err) == GIF_OK && m_writeErrno == 0;
    m_pGif = nullptr;
    std::FILE* pFile = std::exchange(m_pFile, nullptr);
    int closeErrno = 0;
    const bool bClosed = CloseFile(pFile, &closeErrno);
    if (bFinished && bClosed)
    {
        ReleaseFile();
        return true;
    }

    std::string reason;
    if (m_writeErrno != 0)
        reason = ErrnoText(m_writeErrno);
    else if (!bFinished)
        reason = GifErrorString(err) ? GifErrorString(err) : "giflib failed";
    else
        reason = ErrnoText(closeErrno);
    m_error = "cannot finish " + Quoted(m_path) + ": " + reason;
    Abandon();
    return false;
}

bool CGifWriter::FailWriting(const char* pWhat)
{
    std::string reason;
    if (m_writeErrno != 0)
        reason = ErrnoText(m_writeErrno);
    else if (m_pGif && GifErrorString(m_pGif->Error))
        reason = GifErrorString(m_pGif->Error);
    else
        reason = "giflib failed";
    m_error = "cannot write " + std::string(pWhat) + " to " + Quoted(m_path) + ": " + reason;
    Abandon();
    return false;
}

// Drops the file without finishing it and removes what was written.
void CGifWriter::Abandon()
{
    if (m_pGif)
    {
        int err = 0;
        EGifCloseFile(m_pGif, &err);
        m_pGif = nullptr;
    }
    if (m_pFile)
    {
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
    if (m_bRegularFile)
        std::remove(m_path.c_str());
    m_bAbandoned = true;
    ReleaseFile();
}

void CGifWriter::ReleaseFile()
{
    m_bRegularFile = false;
    m_path.clear();
    m_prev = {};
    m_cur = {};
    m_row = {};
}

namespace
{
// Everything the PNG steps share; plain data, because libpng leaves a failing step by longjmp.
struct PngJob
{
    std::FILE* pFile;
    const std::uint32_t* pixels;
    int width;
    int height;
    png_byte* row;   // width * 3 bytes
    int writeErrno;
    char message[200];
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp pMessage)
{
    PngJob* pJob = static_cast<PngJob*>(png_get_error_ptr(png));
    std::snprintf(pJob->message, sizeof pJob->message, "%s", pMessage);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void OnPngWrite(png_structp png, png_bytep pData, png_size_t nBytes)
{
    PngJob* pJob = static_cast<PngJob*>(png_get_io_ptr(png));
    errno = 0;
    if (std::fwrite(pData, 1, nBytes, pJob->pFile) != nBytes)
    {
        pJob->writeErrno = errno != 0 ? errno : EIO;
        png_error(png, "write failed");
    }
}

void OnPngFlush(png_structp) {}

// No object with a destructor may live here: a libpng failure jumps back to the setjmp below.
bool WritePngRows(PngJob* pJob)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, pJob, OnPngError, OnPngWarning);
    if (!png)
    {
        std::snprintf(pJob->message, sizeof pJob->message, "libpng could not start");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info)
    {
        png_destroy_write_struct(&png, nullptr);
        std::snprintf(pJob->message, sizeof pJob->message, "libpng could not start");
        return false;
    }
    if (setjmp(png_jmpbuf(png)))
    {
        png_destroy_write_struct(&png, &info);
        return false;
    }

    png_set_write_fn(png, pJob, OnPngWrite, OnPngFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(pJob->width), static_cast<png_uint_32>(pJob->height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t w = static_cast<std::size_t>(pJob->width);
    for (int y = 0; y < pJob->height; ++y)
    {
        const std::uint32_t* src = pJob->pixels + static_cast<std::size_t>(y) * w;
        png_byte* dst = pJob->row;
        for (std::size_t x = 0; x < w; ++x)
        {
            dst[3 * x + 0] = static_cast<png_byte>(src[x] >> 16);
            dst[3 * x + 1] = static_cast<png_byte>(src[x] >> 8);
            dst[3 * x + 2] = static_cast<png_byte>(src[x]);
        }
        png_write_row(png, pJob->row);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}
}   // namespace

bool WritePng(const std::string& path, const std::uint32_t* pixels, int width, int height, std::string* pError)
{
    std::string error;
    const auto fail = [&](const std::string& reason) {
        if (pError)
            *pError = reason;
        return false;
    };
    if (!pixels)
        return fail("cannot write " + Quoted(path) + ": no pixels given");
    if (width < 1 || height < 1)
        return fail("cannot write " + Quoted(path) + ": a PNG of " + std::to_string(width) + "x" +
                    std::to_string(height) + " pixels is impossible");

    std::vector<png_byte> row;
    try
    {
        row.resize(static_cast<std::size_t>(width) * 3);
    }
    catch (const std::bad_alloc&)
    {
        return fail("cannot write " + Quoted(path) + ": not enough memory for a row of " + std::to_string(width) +
                    " pixels");
    }

    bool bRegular = false;
    std::FILE* pFile = CreateOutput(path, &bRegular, &error);
    if (!pFile)
        return fail(error);

    PngJob job = {pFile, pixels, width, height, row.data(), 0, {}};
    const bool bWritten = WritePngRows(&job);
    int closeErrno = 0;
    const bool bClosed = CloseFile(pFile, &closeErrno);
    if (bWritten && bClosed)
        return true;

    if (bRegular)
        std::remove(path.c_str());
    if (job.writeErrno != 0)
        return fail("cannot write " + Quoted(path) + ": " + ErrnoText(job.writeErrno));
    if (!bWritten)
        return fail("cannot write " + Quoted(path) + ": " + job.message);
    return fail("cannot write " + Quoted(path) + ": " + ErrnoText(closeErrno));
}
