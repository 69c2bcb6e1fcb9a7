#pragma once
// The recorder's output formats: an animated GIF of the snow, or a PNG of a single frame.
// Frames come straight from the framebuffer: rows top-down, `width` pixels a row, no padding,
// each pixel 0xAARRGGBB with the alpha byte ignored.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct GifFileType;

// Writes an animated GIF89a that loops forever, one frame at a time. Its palette holds only black
// and white: a pixel whose luminance 0.299R + 0.587G + 0.114B is at least 128 becomes white, any
// other black. The first frame is stored whole; each later one only as the box around the pixels
// that changed, so the file grows with the motion of the snow rather than with the screen size.
// The same frames always give the same bytes.
class CGifWriter
{
public:
    CGifWriter() = default;
    ~CGifWriter();   // finishes an open file as Close() would, without reporting

    CGifWriter(const CGifWriter&) = delete;
    CGifWriter& operator=(const CGifWriter&) = delete;

    // Creates or truncates `path` for a width x height animation (each 1..65535).
    bool Open(const std::string& path, int width, int height);
    // Appends a frame of width x height pixels shown for `delayCentiseconds` (clamped to 0..65535).
    bool AddFrame(const std::uint32_t* pixels, int delayCentiseconds);
    // Finishes the file; a file with no frame counts as a failure.
    bool Close();

    // Why the last call returned false. After a failure while writing, the file has been removed
    // and every call until the next Open() fails with that same reason.
    const std::string& Error() const { return m_error; }

private:
    static int WriteBytes(GifFileType* pGif, const unsigned char* pData, int nBytes);

    bool WriteImage(int left, int top, int width, int height, int delayCentiseconds);
    bool FailWriting(const char* pWhat);   // abandons the file; always false
    void Abandon();
    void ReleaseFile();

    GifFileType* m_pGif = nullptr;
    std::FILE* m_pFile = nullptr;
    bool m_bRegularFile = false;   // only a regular file is removed on failure, never a device
    bool m_bAbandoned = false;
    int m_writeErrno = 0;
    std::string m_path;
    std::string m_error;

    int m_width = 0;
    int m_height = 0;
    int m_nFrames = 0;
    std::vector<std::uint8_t> m_prev;   // palette indices of the last frame written
    std::vector<std::uint8_t> m_cur;
    std::vector<std::uint8_t> m_row;   // one image row as handed to giflib, which may modify it
};

// Writes one frame as an 8-bit RGB PNG with the exact colours given. On failure returns false,
// removes what it wrote and, if pError is not null, says why there.
bool WritePng(const std::string& path, const std::uint32_t* pixels, int width, int height, std::string* pError);
