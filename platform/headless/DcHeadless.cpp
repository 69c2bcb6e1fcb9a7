// Headless drawing contexts: the window's framebuffer is the screen; presenting only records
// what changed.

#include "platform/Dc.h"
#include "platform/headless/HeadlessImpl.h"

namespace
{
CFrameBuffer& FrameOf(CWnd* pWnd)
{
    CWndImpl* pImpl = CWndImpl::Of(pWnd);
    if (pImpl == nullptr)
        return HeadlessState().noFrame;   // a window that is gone draws nowhere
    const CRect rc = pImpl->ClientRect();
    pImpl->frame.Resize(rc.Width(), rc.Height());
    return pImpl->frame;
}
}   // namespace

void CWndImpl::Present()
{
    lastPresented.clear();
    frame.TakeChangedRects(lastPresented);
}

CClientDC::CClientDC(CWnd* pWnd) : CDC(FrameOf(pWnd)), m_pWnd(pWnd) {}

CClientDC::~CClientDC()
{
    if (CWndImpl* pImpl = CWndImpl::Of(m_pWnd); pImpl != nullptr)
        pImpl->Present();
}

CPaintDC::CPaintDC(CWnd* pWnd) : CDC(FrameOf(pWnd)), m_pWnd(pWnd) {}

CPaintDC::~CPaintDC()
{
    if (CWndImpl* pImpl = CWndImpl::Of(m_pWnd); pImpl != nullptr)
    {
        pImpl->Present();
        pImpl->bNeedsPaint = false;
    }
}
