// The program's dialog templates, defined once: the headless and desktop back ends build their
// dialogs from them, and res/Dialogs.rc, the Windows resource script, is written from them.

#include "platform/Dialog.h"
#include "res/Resource.h"

#include <iterator>

namespace
{
constexpr UINT kLabel = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
constexpr UINT kEdit = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr UINT kArrows = WS_CHILD | WS_VISIBLE | UDS_ARROWKEYS;
constexpr UINT kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr UINT kDefButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON;
constexpr UINT kDialog = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
constexpr int kDefaultCharSet = 1;

// Template order is tab order: each setting's label, edit, arrows and unit, then the buttons.
constexpr DialogControl kSettingsControls[] = {
    {"STATIC", IDC_STATIC, "表示更新周期:", 9, 6, 70, 8, kLabel, 0},
    {"EDIT", IDC_PERIOD, "", 82, 5, 30, 12, kEdit, WS_EX_RIGHT},
    {"msctls_updown32", IDC_PERIOD_SPIN, "Spin1", 112, 5, 10, 12, kArrows, 0},
    {"STATIC", IDC_STATIC, "millisec", 125, 5, 33, 8, kLabel, 0},
    {"STATIC", IDC_STATIC, "雪片の個数:", 9, 22, 70, 8, kLabel, 0},
    {"EDIT", IDC_COUNT, "", 82, 21, 30, 12, kEdit, WS_EX_RIGHT},
    {"msctls_updown32", IDC_COUNT_SPIN, "Spin1", 112, 21, 10, 12, kArrows, 0},
    {"STATIC", IDC_STATIC, "個", 125, 21, 9, 8, kLabel, 0},
    {"STATIC", IDC_STATIC, "ピクセル÷長さ:", 9, 38, 70, 8, kLabel, 0},
    {"EDIT", IDC_PIXELRATIO, "", 82, 37, 30, 12, kEdit, WS_EX_RIGHT},
    {"msctls_updown32", IDC_PIXELRATIO_SPIN, "Spin1", 112, 37, 10, 12, kArrows, 0},
    {"STATIC", IDC_STATIC, "1/m", 125, 37, 13, 8, kLabel, 0},
    {"STATIC", IDC_STATIC, "デルタタイム:", 9, 54, 70, 8, kLabel, 0},
    {"EDIT", IDC_DELTATIME, "", 82, 53, 30, 12, kEdit, WS_EX_RIGHT},
    {"msctls_updown32", IDC_DELTATIME_SPIN, "Spin1", 112, 53, 10, 12, kArrows, 0},
    {"STATIC", IDC_STATIC, "sec", 125, 53, 13, 8, kLabel, 0},
    {"STATIC", IDC_STATIC, "重力加速度:", 9, 70, 70, 8, kLabel, 0},
    {"EDIT", IDC_GRAVITATION, "", 82, 69, 30, 12, kEdit, WS_EX_RIGHT},
    {"msctls_updown32", IDC_GRAVITATION_SPIN, "Spin1", 112, 69, 10, 12, kArrows, 0},
    {"STATIC", IDC_STATIC, "m/sec^2", 125, 69, 29, 8, kLabel, 0},
    {"STATIC", IDC_STATIC, "空気抵抗係数:", 9, 86, 70, 8, kLabel, 0},
    {"EDIT", IDC_RESISTANCE, "", 82, 85, 30, 12, kEdit, WS_EX_RIGHT},
    {"msctls_updown32", IDC_RESISTANCE_SPIN, "Spin1", 112, 85, 10, 12, kArrows, 0},
    {"STATIC", IDC_STATIC, "1/sec", 125, 85, 21, 8, kLabel, 0},
    {"STATIC", IDC_STATIC, "雪片のゆらぎ:", 9, 102, 70, 8, kLabel, 0},
    {"EDIT", IDC_FLUTTER, "", 82, 101, 30, 12, kEdit, WS_EX_RIGHT},
    {"msctls_updown32", IDC_FLUTTER_SPIN, "Spin1", 112, 101, 10, 12, kArrows, 0},
    {"STATIC", IDC_STATIC, "m/sec^2", 125, 101, 29, 8, kLabel, 0},
    {"BUTTON", IDC_APPLY, "ﾌﾟﾚﾋﾞｭｰｳｨﾝﾄﾞｳに適用", 9, 120, 85, 14, kDefButton, 0},
    {"BUTTON", IDOK, "OK", 172, 5, 55, 14, kDefButton, 0},
    {"BUTTON", IDCANCEL, "キャンセル", 172, 21, 55, 14, kButton, 0},
    {"BUTTON", IDC_DEFAULT, "デフォルト(&D)", 172, 38, 55, 14, kDefButton, 0},
    {"STATIC", IDC_STATIC, "ﾌﾟﾚﾋﾞｭｰｳｨﾝﾄﾞｳ：", 167, 61, 61, 8, kLabel, 0},
    // Invisible: it only marks where the preview goes.
    {"STATIC", IDC_PREVIEW, "", 167, 73, 64, 48, WS_CHILD, 0},
};

constexpr DialogTemplate kSettings = {
    IDD_SETTINGS,
    "Kelvaneの設定",
    kDialog,
    0,
    0,
    0,
    240,
    142,
    "ＭＳ 明朝",
    11,
    0,
    false,
    kDefaultCharSet,
    kSettingsControls,
    std::size(kSettingsControls),
};

constexpr UINT kCentredLabel = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER;

constexpr DialogControl kAboutControls[] = {
    {"STATIC", IDC_STATIC, "Kelvane", 10, 10, 160, 8, kCentredLabel, 0},
    {"STATIC", IDC_STATIC, "バージョン " KELVANE_VERSION, 10, 22, 160, 8, kCentredLabel, 0},
    {"STATIC", IDC_STATIC, "黒い画面に雪が降るスクリーンセーバーです。", 10, 36, 160, 8, kCentredLabel, 0},
    {"BUTTON", IDOK, "OK", 65, 52, 50, 14, kDefButton, 0},
};

constexpr DialogTemplate kAbout = {
    IDD_ABOUTBOX,   "Kelvaneについて",         kDialog, 0, 0, 0, 180, 74, "ＭＳ 明朝", 11, 0, false, kDefaultCharSet,
    kAboutControls, std::size(kAboutControls),
};
}   // namespace

const DialogTemplate* AfxFindDialogTemplate(UINT nID)
{
    switch (nID)
    {
    case IDD_SETTINGS: return &kSettings;
    case IDD_ABOUTBOX: return &kAbout;
    default: return nullptr;
    }
}
