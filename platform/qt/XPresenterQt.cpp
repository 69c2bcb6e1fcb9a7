// The X11 presenter: framebuffer rectangles put on screen as filled rectangles in the two
// colours, or as bitmaps (through shared memory where the server can see it) for a frame that
// changes most of the window.

#include "platform/qt/QtImpl.h"

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

using QtX11::Connection;

CXPresenter::CXPresenter(WindowHandle hWnd) : m_hWnd(hWnd)
{
    xcb_connection_t* c = Connection();
    if (c == nullptr)
        return;
    const auto window = static_cast<xcb_window_t>(hWnd);
    xcb_get_geometry_reply_t* pGeom = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    if (pGeom == nullptr)
        return;
    const std::uint8_t nDepth = pGeom->depth;
    std::free(pGeom);
    // The frame's bytes hold pixels from each byte's lowest bit up, rows padded to 64 bits: servers
    // that read bitmaps the other way round get each byte's bits reversed on the way.
    const xcb_setup_t* pSetup = xcb_get_setup(c);
    const bool bLsbBits = pSetup->bitmap_format_bit_order == XCB_IMAGE_ORDER_LSB_FIRST;
    const bool bLsbBytes = pSetup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
    if ((pSetup->bitmap_format_scanline_unit != 8 && bLsbBits != bLsbBytes) || pSetup->bitmap_format_scanline_pad > 64)
    {
        std::fprintf(stderr, "kelvane: the X server's bitmap layout (unit %u, pad %u) is not one this program writes; nothing will show\n",
                     static_cast<unsigned>(pSetup->bitmap_format_scanline_unit),
                     static_cast<unsigned>(pSetup->bitmap_format_scanline_pad));
        return;
    }
    m_bReverseBits = !bLsbBits;
    // White and black as the window's depth spells them: the screen's own where the depths agree.
    std::uint32_t nWhite = nDepth >= 32 ? 0xFFFFFFFFu : (1u << nDepth) - 1u;
    std::uint32_t nBlack = nDepth >= 32 ? 0xFF000000u : 0u;
    for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(pSetup); it.rem > 0; xcb_screen_next(&it))
        if (it.data->root_depth == nDepth)
        {
            nWhite = it.data->white_pixel;
            nBlack = it.data->black_pixel;
            break;
        }
    m_gc = xcb_generate_id(c);
    const std::uint32_t values[] = {nWhite, nBlack, 0};
    xcb_create_gc(c, m_gc, window, XCB_GC_FOREGROUND | XCB_GC_BACKGROUND | XCB_GC_GRAPHICS_EXPOSURES, values);
    m_gcBlack = xcb_generate_id(c);
    const std::uint32_t blackValues[] = {nBlack, nWhite, 0};
    xcb_create_gc(c, m_gcBlack, window, XCB_GC_FOREGROUND | XCB_GC_BACKGROUND | XCB_GC_GRAPHICS_EXPOSURES, blackValues);
    m_nMaxRequestBytes = xcb_get_maximum_request_length(c) * 4u;
    m_bUsable = true;
}

bool CXPresenter::AttachShared(std::size_t nBytes)
{
    xcb_connection_t* c = Connection();
    const xcb_query_extension_reply_t* pExt = xcb_get_extension_data(c, &xcb_shm_id);
    if (pExt == nullptr || !pExt->present)
        return false;
    const int shmid = shmget(IPC_PRIVATE, nBytes, IPC_CREAT | 0600);
    if (shmid < 0)
        return false;
    void* p = shmat(shmid, nullptr, 0);
    if (p == reinterpret_cast<void*>(-1))
    {
        shmctl(shmid, IPC_RMID, nullptr);
        return false;
    }
    const std::uint32_t seg = xcb_generate_id(c);
    xcb_generic_error_t* pErr = xcb_request_check(c, xcb_shm_attach_checked(c, seg, static_cast<std::uint32_t>(shmid), 0));
    // Once both sides hold it, the segment goes away with the last of them, even after a crash.
    shmctl(shmid, IPC_RMID, nullptr);
    if (pErr != nullptr)
    {
        // A server on another machine cannot see our memory.
        std::free(pErr);
        shmdt(p);
        return false;
    }
    m_shmSeg = seg;
    m_pShared = static_cast<std::uint8_t*>(p);
    m_nSharedBytes = nBytes;
    m_nSharedNext = 0;
    return true;
}

void CXPresenter::DetachShared()
{
    if (m_shmSeg == 0)
        return;
    if (xcb_connection_t* c = Connection(); c != nullptr)
    {
        xcb_shm_detach(c, m_shmSeg);
        // The server may still be reading puts sent before: the memory goes once it has answered.
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }
    shmdt(m_pShared);
    m_shmSeg = 0;
    m_pShared = nullptr;
    m_nSharedBytes = 0;
    m_nSharedNext = 0;
}

CXPresenter::~CXPresenter()
{
    DetachShared();
    if (xcb_connection_t* c = Connection(); c != nullptr && m_gc != 0)
    {
        xcb_free_gc(c, m_gc);
        xcb_free_gc(c, m_gcBlack);
    }
}

void CXPresenter::CopyRows(const CFrameBuffer& frame, int y, int nRows, int w0, int w1, std::uint8_t* pDst,
                           std::size_t nDstStride) const
{
    const std::size_t nBytes = static_cast<std::size_t>(w1 - w0 + 1) * 8;
    for (int row = 0; row < nRows; ++row, pDst += nDstStride)
    {
        const auto* pSrc = reinterpret_cast<const std::uint8_t*>(frame.Row(y + row) + w0);
        if (!m_bReverseBits)
        {
            std::memcpy(pDst, pSrc, nBytes);
            continue;
        }
        for (std::size_t i = 0; i < nBytes; ++i)
            pDst[i] = CFrameBuffer::kReversedBits[pSrc[i]];
    }
}

void CXPresenter::Put(const CFrameBuffer& frame, const std::vector<CRect>& rects, bool bWhole)
{
    xcb_connection_t* c = Connection();
    if (!m_bUsable || c == nullptr || frame.Width() <= 0 || frame.Height() <= 0)
        return;
    const CRect rcFrame(0, 0, frame.Width(), frame.Height());
    // A window whose pixels are lost, or a frame of another size, starts over from black: the
    // whole window is filled black, and the frame compared with that.
    const bool bFresh = bWhole || !m_shown.Fits(frame);
    if (bFresh)
    {
        m_shown.Reset(frame);
        m_whole.assign(1, rcFrame);
    }
    const std::vector<CRect>& areas = bFresh ? m_whole : rects;
    if (areas.empty())
        return;
    const std::size_t nBitmapPixels = CShownFrame::BitmapPixels(areas, frame.Width(), frame.Height());
    // Filled rectangles while they cost the server less than bitmaps of the same areas.
    const std::size_t nMaxFills = nBitmapPixels / CShownFrame::kBitmapPixelsPerFill;
    if (m_shown.Update(frame, areas, nMaxFills - (bFresh ? 1 : 0)))
    {
        if (bFresh)
        {
            const CShownFrame::Fill whole = {0, 0, static_cast<std::uint16_t>(rcFrame.Width()),
                                             static_cast<std::uint16_t>(rcFrame.Height())};
            Fill(c, m_gcBlack, &whole, 1);
        }
        Fill(c, m_gcBlack, m_shown.Rects(false).data(), m_shown.Rects(false).size());
        Fill(c, m_gc, m_shown.Rects(true).data(), m_shown.Rects(true).size());
    }
    else
    {
        ++m_nBitmapFrames;
        // Room in shared memory for a frame's bitmaps (the changed areas widened to whole words
        // may overlap a little, so a frame's may outgrow the frame), made on the first frame that
        // needs it. A frame's bitmaps lie one after the other and never wrap round onto each other.
        const std::size_t nBytes = nBitmapPixels / 8;
        const std::size_t nSharedBytes = std::max(nBytes, static_cast<std::size_t>(frame.RowWords()) * 8 * frame.Height());
        if (m_bUseShared && nSharedBytes > m_nSharedBytes && (m_shmSeg != 0 || !m_bSharedTried))
        {
            DetachShared();
            m_bSharedTried = true;
            AttachShared(nSharedBytes);
        }
        if (m_nSharedNext + nBytes > m_nSharedBytes)
            m_nSharedNext = 0;
        for (const CRect& rcAny : areas)
            if (const CRect rc = rcAny.Intersect(rcFrame); !rc.IsRectEmpty())
                PutBitmap(c, frame, rc);
    }
    xcb_flush(c);
}

void CXPresenter::Fill(xcb_connection_t* c, std::uint32_t gc, const CShownFrame::Fill* pRects, std::size_t nRects)
{
    // The rectangles are in the request's own layout, so they go as they are: as many to a
    // request as the server takes (8 bytes each after a 12-byte header).
    static_assert(sizeof(CShownFrame::Fill) == sizeof(xcb_rectangle_t));
    static_assert(offsetof(CShownFrame::Fill, x) == offsetof(xcb_rectangle_t, x) &&
                  offsetof(CShownFrame::Fill, y) == offsetof(xcb_rectangle_t, y) &&
                  offsetof(CShownFrame::Fill, cx) == offsetof(xcb_rectangle_t, width) &&
                  offsetof(CShownFrame::Fill, cy) == offsetof(xcb_rectangle_t, height));
    const std::size_t nPerRequest = std::max<std::size_t>(1, (m_nMaxRequestBytes - 12u) / 8u);
    for (std::size_t i = 0; i < nRects; i += nPerRequest)
    {
        const std::size_t n = std::min(nPerRequest, nRects - i);
        xcb_poly_fill_rectangle(c, static_cast<xcb_window_t>(m_hWnd), gc, static_cast<std::uint32_t>(n),
                                reinterpret_cast<const xcb_rectangle_t*>(pRects + i));
    }
}

void CXPresenter::PutBitmap(xcb_connection_t* c, const CFrameBuffer& frame, const CRect& rc)
{
    // Whole words of the frame go out, from the rectangle's first word: what lies past the window's
    // right edge is clipped by the server.
    const int w0 = rc.left >> 6;
    const int w1 = (rc.right - 1) >> 6;
    const std::uint32_t nRowBytes = static_cast<std::uint32_t>(w1 - w0 + 1) * 8u;
    if (m_shmSeg != 0 && m_bUseShared && m_nSharedNext + static_cast<std::size_t>(nRowBytes) * rc.Height() <= m_nSharedBytes)
    {
        // The rectangle's rows go into shared memory as an image of their own, which the server
        // draws straight from there: a put of a whole image of 1-bit pixels takes its quick way
        // (part of a larger one would be copied through a scratch pixmap first). Each frame's
        // images follow the last frame's round a ring of at least a frame's size, so only a server
        // a whole frame behind could read a put after it was overwritten; the later frame's pixels
        // would show for a moment, and that frame puts the same words again after it.
        const std::size_t nBytes = static_cast<std::size_t>(nRowBytes) * rc.Height();
        CopyRows(frame, rc.top, rc.Height(), w0, w1, m_pShared + m_nSharedNext, nRowBytes);
        xcb_shm_put_image(c, static_cast<xcb_window_t>(m_hWnd), m_gc, static_cast<std::uint16_t>(nRowBytes * 8),
                          static_cast<std::uint16_t>(rc.Height()), 0, 0, static_cast<std::uint16_t>(nRowBytes * 8),
                          static_cast<std::uint16_t>(rc.Height()), static_cast<std::int16_t>(w0 * 64),
                          static_cast<std::int16_t>(rc.top), 1, XCB_IMAGE_FORMAT_XY_BITMAP, 0, m_shmSeg,
                          static_cast<std::uint32_t>(m_nSharedNext));
        m_nSharedNext += nBytes;
        return;
    }
    // A request may carry only so many bytes, and the rows are copied on the way: tall rectangles
    // go in bands of at most 64 KiB (a whole frame of 1920 x 1080 in four puts).
    const std::uint32_t nBandBytes = std::min<std::uint32_t>(m_nMaxRequestBytes - 64u, 64u * 1024u);
    const int nBandRows = std::max(1, static_cast<int>(nBandBytes / nRowBytes));
    for (int y = rc.top; y < rc.bottom; y += nBandRows)
    {
        const int cy = std::min(nBandRows, rc.bottom - y);
        m_scratch.resize(static_cast<std::size_t>(nRowBytes) * cy);
        CopyRows(frame, y, cy, w0, w1, m_scratch.data(), nRowBytes);
        xcb_put_image(c, XCB_IMAGE_FORMAT_XY_BITMAP, static_cast<xcb_window_t>(m_hWnd), m_gc,
                      static_cast<std::uint16_t>(nRowBytes * 8), static_cast<std::uint16_t>(cy),
                      static_cast<std::int16_t>(w0 * 64), static_cast<std::int16_t>(y), 0, 1,
                      nRowBytes * static_cast<std::uint32_t>(cy), m_scratch.data());
    }
}
