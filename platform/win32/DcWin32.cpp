// Windows drawing contexts: the program draws into the window's framebuffer, and closing the
// context copies what changed onto the window as a top-down 32-bit DIB.

#include "platform/Dc.h"
#include "platform/win32/Win32.h"

namespace
{
CFrameBuffer& FrameOf(CWnd* pWnd)
{
    CWndImpl* pImpl = CWndImpl::Of(pWnd);
    return pImpl != nullptr && !pImpl->bForeign ? pImpl->Frame() : Win32State().noFrame;
}
}   // namespace

CFrameBuffer& CWndImpl::Frame()
{
    RECT rc{};
    ::GetClientRect(hWnd, &rc);
    frame.Resize(rc.right - rc.left, rc.bottom - rc.top);
    return frame;
}

void CWndImpl::Blit(HDC hdc, const std::vector<CRect>& rects) const
{
    const CRect rcFrame(0, 0, frame.Width(), frame.Height());
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = frame.Width();
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    for (const CRect& rcAny : rects)
    {
        const CRect rc = rcAny.Intersect(rcFrame);
        if (rc.IsRectEmpty())
            continue;
        // The DIB handed over starts at the rectangle's first row and holds just its rows, so the
        // source rows need no flipping whichever way the system counts them.
        bmi.bmiHeader.biHeight = -rc.Height();
        const std::uint32_t* pRows = frame.Bits() + static_cast<std::size_t>(rc.top) * frame.Width();
        SetDIBitsToDevice(hdc, rc.left, rc.top, static_cast<DWORD>(rc.Width()), static_cast<DWORD>(rc.Height()), rc.left,
                          0, 0, static_cast<UINT>(rc.Height()), pRows, &bmi, DIB_RGB_COLORS);
    }
}

CClientDC::CClientDC(CWnd* pWnd) : CDC(FrameOf(pWnd)), m_pWnd(pWnd) {}

CClientDC::~CClientDC()
{
    CWndImpl* pImpl = CWndImpl::Of(m_pWnd);
    if (pImpl == nullptr || pImpl->bForeign)
        return;
    pImpl->changed.clear();
    pImpl->frame.TakeChangedRects(pImpl->changed);
    if (pImpl->changed.empty())
        return;
    if (const HDC hdc = GetDC(pImpl->hWnd); hdc != nullptr)
    {
        pImpl->Blit(hdc, pImpl->changed);
        ReleaseDC(pImpl->hWnd, hdc);
    }
}

CPaintDC::CPaintDC(CWnd* pWnd) : CDC(FrameOf(pWnd)), m_pWnd(pWnd)
{
    if (CWndImpl* pImpl = CWndImpl::Of(pWnd); pImpl != nullptr && !pImpl->bForeign)
        BeginPaint(pImpl->hWnd, &pImpl->paint);
}

CPaintDC::~CPaintDC()
{
    CWndImpl* pImpl = CWndImpl::Of(m_pWnd);
    if (pImpl == nullptr || pImpl->bForeign)
        return;
    // The system asked for the whole paint rectangle, changed or not.
    pImpl->changed.clear();
    pImpl->frame.TakeChangedRects(pImpl->changed);
    const RECT& rc = pImpl->paint.rcPaint;
    pImpl->changed.assign(1, CRect(rc.left, rc.top, rc.right, rc.bottom));
    if (pImpl->paint.hdc != nullptr)
        pImpl->Blit(pImpl->paint.hdc, pImpl->changed);
    EndPaint(pImpl->hWnd, &pImpl->paint);
    pImpl->paint = PAINTSTRUCT{};
}
