// Windows drawing contexts: the program draws into the window's framebuffer, and closing the
// context copies what changed onto the window as a top-down 1-bit DIB of black and white.

#include "platform/Dc.h"
#include "platform/win32/Win32.h"

#include <cstdint>

namespace
{
CFrameBuffer& FrameOf(CWnd* pWnd)
{
    CWndImpl* pImpl = CWndImpl::Of(pWnd);
    return pImpl != nullptr && !pImpl->bForeign ? pImpl->Frame() : Win32State().noFrame;
}

// The window a closing context puts its pixels on, with what changed in them taken; nullptr for none.
CWndImpl* TakeChanged(CWnd* pWnd)
{
    CWndImpl* pImpl = CWndImpl::Of(pWnd);
    if (pImpl == nullptr || pImpl->bForeign)
        return nullptr;
    pImpl->changed.clear();
    pImpl->frame.TakeChangedRects(pImpl->changed);
    return pImpl;
}
}   // namespace

CFrameBuffer& CWndImpl::Frame()
{
    RECT rc{};
    ::GetClientRect(hWnd, &rc);
    frame.Resize(rc.right - rc.left, rc.bottom - rc.top);
    return frame;
}

namespace
{
struct MonoBitmapInfo
{
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[2];
};
}   // namespace

void CWndImpl::Blit(HDC hdc, const std::vector<CRect>& rects) const
{
    const CRect rcFrame(0, 0, frame.Width(), frame.Height());
    MonoBitmapInfo bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 1;
    bmi.bmiHeader.biCompression = BI_RGB;
    bmi.bmiHeader.biClrUsed = 2;
    bmi.bmiColors[0] = RGBQUAD{0, 0, 0, 0};
    bmi.bmiColors[1] = RGBQUAD{0xFF, 0xFF, 0xFF, 0};
    for (const CRect& rcAny : rects)
    {
        const CRect rc = rcAny.Intersect(rcFrame);
        if (rc.IsRectEmpty())
            continue;
        // The DIB holds the frame words the rectangle touches, just its rows, top down: rows of
        // whole 64-bit words are already padded as a DIB's rows must be.
        const int w0 = rc.left >> 6;
        const int w1 = (rc.right - 1) >> 6;
        const std::size_t nRowBytes = static_cast<std::size_t>(w1 - w0 + 1) * 8;
        dibRows.resize(nRowBytes * static_cast<std::size_t>(rc.Height()));
        std::uint8_t* pDst = dibRows.data();
        for (int y = rc.top; y < rc.bottom; ++y)
        {
            const auto* pSrc = reinterpret_cast<const std::uint8_t*>(frame.Row(y) + w0);
            for (std::size_t i = 0; i < nRowBytes; ++i)
                *pDst++ = CFrameBuffer::kReversedBits[pSrc[i]];
        }
        bmi.bmiHeader.biWidth = static_cast<LONG>(nRowBytes * 8);
        bmi.bmiHeader.biHeight = -rc.Height();
        SetDIBitsToDevice(hdc, rc.left, rc.top, static_cast<DWORD>(rc.Width()), static_cast<DWORD>(rc.Height()),
                          rc.left - w0 * 64, 0, 0, static_cast<UINT>(rc.Height()), dibRows.data(),
                          reinterpret_cast<const BITMAPINFO*>(&bmi), DIB_RGB_COLORS);
    }
}

void CWndImpl::Present(HDC hdcPaint)
{
    // A preview inside another program's window draws through that window's context, moved onto
    // and clipped to the preview: Wine shows nothing drawn into a child of another program's
    // window, and on Windows the same pixels result either way. Wine also puts the host's own
    // picture back over the preview when it is uncovered, unasked, so a preview, being small,
    // puts back all of itself every time.
    if (hHost != nullptr)
    {
        if (!IsWindowVisible(hWnd))
            return;
        changed.assign(1, CRect(0, 0, frame.Width(), frame.Height()));
        const HDC hdc = GetDCEx(hHost, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
        if (hdc == nullptr)
            return;
        POINT ptOrigin{0, 0};
        MapWindowPoints(hWnd, hHost, &ptOrigin, 1);
        SetViewportOrgEx(hdc, ptOrigin.x, ptOrigin.y, nullptr);
        IntersectClipRect(hdc, 0, 0, frame.Width(), frame.Height());   // the framebuffer is the client area's size
        Blit(hdc, changed);
        ReleaseDC(hHost, hdc);
    }
    else if (hdcPaint != nullptr)
        Blit(hdcPaint, changed);
    else if (const HDC hdc = GetDC(hWnd); hdc != nullptr)
    {
        Blit(hdc, changed);
        ReleaseDC(hWnd, hdc);
    }
}

CClientDC::CClientDC(CWnd* pWnd) : CDC(FrameOf(pWnd)), m_pWnd(pWnd) {}

CClientDC::~CClientDC()
{
    if (CWndImpl* pImpl = TakeChanged(m_pWnd); pImpl != nullptr && !pImpl->changed.empty())
        pImpl->Present(nullptr);
}

CPaintDC::CPaintDC(CWnd* pWnd) : CDC(FrameOf(pWnd)), m_pWnd(pWnd)
{
    if (CWndImpl* pImpl = CWndImpl::Of(pWnd); pImpl != nullptr && !pImpl->bForeign)
        BeginPaint(pImpl->hWnd, &pImpl->paint);
}

CPaintDC::~CPaintDC()
{
    CWndImpl* pImpl = TakeChanged(m_pWnd);
    if (pImpl == nullptr)
        return;
    // The system asked for the whole paint rectangle, changed or not.
    const RECT& rc = pImpl->paint.rcPaint;
    pImpl->changed.assign(1, CRect(rc.left, rc.top, rc.right, rc.bottom));
    if (pImpl->paint.hdc != nullptr)
        pImpl->Present(pImpl->paint.hdc);
    EndPaint(pImpl->hWnd, &pImpl->paint);
    pImpl->paint = PAINTSTRUCT{};
}
