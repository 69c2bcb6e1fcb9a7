// kelvane-record: runs a snow window on the headless back end and writes what it shows to an
// animated GIF or a PNG. The same arguments and seed always give the same file.

#include "platform/WinApp.h"
#include "platform/headless/Headless.h"
#include "snow/SnowWnd.h"
#include "tools/kelvane-record/ImageWriters.h"
#include "tools/kelvane-record/RecordArgs.h"

#include <cstdio>
#include <string>
#include <vector>

namespace
{
int Fail(const std::string& message)
{
    std::fprintf(stderr, "kelvane-record: %s\n", message.c_str());
    return 1;
}

// Centiseconds at which a tick at ms falls, rounded, so that the GIF's delays add up to real time.
int Centiseconds(std::uint64_t ms)
{
    return static_cast<int>((ms + 5) / 10);
}
}   // namespace

int main(int argc, char** argv)
{
    RecordOptions options;
    std::string strError;
    if (!ParseRecordArgs(argc, argv, options, strError))
    {
        std::fprintf(stderr, "kelvane-record: %s\n", strError.c_str());
        return 2;
    }
    if (options.bHelp)
    {
        std::fputs(RecordUsage(), stdout);
        return 0;
    }

    // The recorder shows the saver's own settings: it reads the profile the saver writes.
    CWinApp app;
    app.m_strExeName = "kelvane";
    app.m_strProfileName = options.bDefaults ? std::string() : AfxProfilePathFor(app.m_strExeName);
    Headless::SetScreenSize(options.nWidth, options.nHeight);
    Headless::SetClock(options.nSeed, 0);   // the snow window seeds with time ^ process id

    auto* pWnd = new CSnowWnd(true);
    if (!pWnd->Create(0, WS_POPUP | WS_VISIBLE, CRect(0, 0, options.nWidth, options.nHeight), nullptr))
    {
        delete pWnd;
        return Fail("could not create the snow window");
    }
    const WindowHandle hWnd = pWnd->GetSafeHwnd();
    Headless::PumpMessages();
    const CFrameBuffer& frame = *Headless::FrameBufferOf(hWnd);
    const std::uint64_t nPeriod = Headless::GetWindowInfo(hWnd).nTimerPeriod;

    std::vector<std::uint32_t> pixels;   // the frame as the image writers take it
    CGifWriter gif;
    if (options.format == RecordOptions::Format::Gif && !gif.Open(options.strOut, options.nWidth, options.nHeight))
        return Fail(gif.Error());
    for (int i = 0; i < options.nFrames; ++i)
    {
        Headless::NextTick();
        if (options.format != RecordOptions::Format::Gif)
            continue;
        const std::uint64_t nShown = Headless::Now();
        frame.ExpandTo(pixels);
        if (!gif.AddFrame(pixels.data(), Centiseconds(nShown + nPeriod) - Centiseconds(nShown)))
            return Fail(gif.Error());
    }
    if (options.format == RecordOptions::Format::Gif)
    {
        if (!gif.Close())
            return Fail(gif.Error());
    }
    else
    {
        frame.ExpandTo(pixels);
        if (!WritePng(options.strOut, pixels.data(), options.nWidth, options.nHeight, &strError))
            return Fail(strError);
    }

    if (options.format == RecordOptions::Format::Gif)
        std::printf("kelvane-record: wrote %d frames of %dx%d snow to %s\n", options.nFrames, options.nWidth,
                    options.nHeight, options.strOut.c_str());
    else
        std::printf("kelvane-record: wrote frame %d of %dx%d snow to %s\n", options.nFrames, options.nWidth,
                    options.nHeight, options.strOut.c_str());
    pWnd->DestroyWindow();
    return 0;
}
