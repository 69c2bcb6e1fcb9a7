// The settings dialog's data exchange with arbitrary text: the seven edits get the input's
// lines, then the user presses OK, Apply or an arrow, and the preview ticks.

#include "FuzzSupport.h"
#include "platform/WinApp.h"
#include "platform/headless/Headless.h"
#include "res/Resource.h"
#include "settings/SettingsDlg.h"
#include "snow/SnowParams.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    CWinApp app;
    app.m_strProfileName = FuzzSupport::Folder() + "/kelvane.ini";
    std::remove(app.m_strProfileName.c_str());
    Headless::SetScreenSize(800, 600);
    Headless::SetClock(1000, 0);
    const int nAction = data[0] % 4;
    const std::vector<std::string> texts = FuzzSupport::Split(data + 1, size - 1, '\n', 7);
    constexpr int kEdits[] = {IDC_PERIOD,     IDC_COUNT,   IDC_DELTATIME, IDC_GRAVITATION,
                              IDC_RESISTANCE, IDC_FLUTTER, IDC_PIXELRATIO};
    CSettingsDlg dlg;
    Headless::PushModalScript([&](WindowHandle hDlg) {
        for (std::size_t i = 0; i < texts.size(); ++i)
            Headless::TypeText(Headless::DlgItem(hDlg, kEdits[i]), texts[i]);
        switch (nAction)
        {
        case 0: Headless::ClickButton(hDlg, IDOK); break;
        case 1: Headless::ClickButton(hDlg, IDC_APPLY); break;
        case 2: Headless::ClickArrow(hDlg, IDC_COUNT_SPIN, true); break;
        default: Headless::ClickArrow(hDlg, IDC_PIXELRATIO_SPIN, false); break;
        }
        for (int i = 0; i < 3; ++i)
            Headless::NextTick();
    });
    dlg.DoModal();
    // Whatever OK or Apply saved must read back as settings the snow can run with.
    const SnowParams saved = ReadSnowParams();
    FUZZ_CHECK(saved.m_dPixelRatio != 0.0 && saved.m_dResistance != 0.0);
    return 0;
}
