#pragma once
// Drawing targets. A device context draws into the window's framebuffer; the client and paint
// contexts are opened by the back end and present what changed when they close. Drawing takes
// black and white; any other colour draws as one of them, by its brightness (CFrameBuffer::IsWhite).

#include "platform/FrameBuffer.h"
#include "platform/Types.h"

#include <cstdint>

class CWnd;

class CDC
{
public:
    explicit CDC(CFrameBuffer& frame) : m_pFrame(&frame) {}
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    void FillSolidRect(const CRect& rc, ColorRef cr) { m_pFrame->FillSolidRect(rc, cr); }
    bool SetPixelV(int x, int y, ColorRef cr) { return m_pFrame->SetPixelV(x, y, cr); }
    bool Ellipse(int left, int top, int right, int bottom) { return m_pFrame->Ellipse(left, top, right, bottom); }
    // Between these, each figure paints only where no figure since the first call painted: figures
    // drawn last to first leave the pixels they leave first to last (see CFrameBuffer).
    void BeginReverseOrder() { m_pFrame->BeginReverseOrder(); }
    void EndReverseOrder() { m_pFrame->EndReverseOrder(); }

    // Draws the icon with its top-left corner at x, y; the background shows where the icon is clear.
    // The frame is black and white, so the icon comes out as its light parts in white on black
    // (CFrameBuffer::IsWhite): the minimised dialog shows its shape, not its colours.
    bool DrawIcon(int x, int y, IconHandle hIcon)
    {
        if (hIcon == nullptr)
            return false;
        for (int j = 0; j < hIcon->cy; ++j)
            for (int i = 0; i < hIcon->cx; ++i)
                if (const std::uint32_t px = hIcon->pPixels[j * hIcon->cx + i]; (px >> 24) != 0)
                    m_pFrame->SetPixelV(x + i, y + j, RgbColor((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF));
        return true;
    }

protected:
    CFrameBuffer* m_pFrame;
};

// Draws into a window's client area outside painting, as on a timer tick.
class CClientDC : public CDC
{
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC();

private:
    CWnd* m_pWnd;
};

// Draws while the window paints; closing it validates the window.
class CPaintDC : public CDC
{
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC();

private:
    CWnd* m_pWnd;
};
