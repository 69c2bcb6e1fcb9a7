// The settings as a hand-edited profile holds them: arbitrary bytes as the profile, read by
// ReadSnowParams, then a few ticks of a small snow window that runs with them.

#include "FuzzSupport.h"
#include "platform/Runtime.h"
#include "platform/WinApp.h"
#include "platform/headless/Headless.h"
#include "snow/SnowParams.h"
#include "snow/SnowWnd.h"

#include <cmath>
#include <fstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CWinApp app;
    app.m_strProfileName = FuzzSupport::Folder() + "/kelvane.ini";
    {
        std::ofstream file(app.m_strProfileName, std::ios::binary | std::ios::trunc);
        file << "[Config-Ver102]\n";
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const SnowParams params = ReadSnowParams();
    FUZZ_CHECK(std::isfinite(params.m_dPixelRatio) && params.m_dPixelRatio != 0.0);
    FUZZ_CHECK(std::isfinite(params.m_dResistance) && params.m_dResistance != 0.0);
    FUZZ_CHECK(std::isfinite(params.m_dDeltaTime) && std::isfinite(params.m_dGravitation) &&
               std::isfinite(params.m_dFlutter));

    Headless::SetScreenSize(40, 30);
    Headless::SetClock(1000, 0);
    auto* pWnd = new CSnowWnd(true);
    AfxSRand(1);   // the window seeds from the clock; a finding must replay
    FUZZ_CHECK(pWnd->Create(0, WS_POPUP | WS_VISIBLE, CRect(0, 0, 40, 30), nullptr));
    for (int i = 0; i < 3; ++i)
        Headless::NextTick();
    FUZZ_CHECK(pWnd->GetFlakes().size() <= CSnowWnd::kMaxFlakes);
    pWnd->DestroyWindow();
    return 0;
}
