// Qt drawing contexts: the program draws into the window's framebuffer; closing a context puts
// what changed on screen.

#include "platform/Dc.h"
#include "platform/qt/QtImpl.h"

namespace
{
CFrameBuffer& FrameOf(CWnd* pWnd)
{
    CWndImpl* pImpl = CWndImpl::Of(pWnd);
    if (pImpl == nullptr || pImpl->bHost)
        return QtState().noFrame;   // a window that is gone draws nowhere
    const CRect rc = pImpl->ClientRect();
    pImpl->frame.Resize(rc.Width(), rc.Height());
    return pImpl->frame;
}
}   // namespace

void CWndImpl::Present(bool bWhole)
{
    changed.clear();
    frame.TakeChangedRects(changed);
    if (bWhole)
    {
        changed.clear();
        changed.push_back(CRect(0, 0, frame.Width(), frame.Height()));
    }
    if (pPresenter)
        pPresenter->Put(frame, changed, bWhole);
    if (pWaylandPresenter)
        pWaylandPresenter->Put(frame, changed, bWhole);
}

CClientDC::CClientDC(CWnd* pWnd) : CDC(FrameOf(pWnd)), m_pWnd(pWnd) {}

CClientDC::~CClientDC()
{
    if (CWndImpl* pImpl = CWndImpl::Of(m_pWnd); pImpl != nullptr && !pImpl->bHost)
        pImpl->Present(false);
}

CPaintDC::CPaintDC(CWnd* pWnd) : CDC(FrameOf(pWnd)), m_pWnd(pWnd) {}

CPaintDC::~CPaintDC()
{
    // A paint answers an expose: the whole client area goes on screen, changed or not.
    if (CWndImpl* pImpl = CWndImpl::Of(m_pWnd); pImpl != nullptr && !pImpl->bHost)
    {
        pImpl->Present(true);
        pImpl->bNeedsPaint = false;
    }
}
