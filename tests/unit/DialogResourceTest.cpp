// The Windows resource script of the program's dialogs is written from their templates, so that
// the Windows dialog manager runs exactly the dialogs every other back end builds. The script is
// committed; this test fails when it no longer matches the templates, and rewrites it with
// KELVANE_UPDATE_GOLDEN=1.

#include "platform/Dialog.h"
#include "res/Resource.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{
const std::string kScript = std::string(KELVANE_SOURCE_DIR) + "/res/Dialogs.rc";

std::string Hex(UINT n)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", n);
    return buffer;
}

// A text as a resource script writes it: quotes doubled.
std::string Quoted(const char* psz)
{
    std::string out = "\"";
    for (const char* p = psz; *p != '\0'; ++p)
        out += *p == '"' ? std::string("\"\"") : std::string(1, *p);
    return out + "\"";
}

// Resource compilers make every CONTROL visible unless told otherwise.
std::string ControlStyle(UINT dwStyle)
{
    return (dwStyle & WS_VISIBLE) != 0 ? Hex(dwStyle) : "NOT WS_VISIBLE | " + Hex(dwStyle);
}

std::string DialogScript(const DialogTemplate& t)
{
    std::string out = std::to_string(t.nID) + " DIALOGEX " + std::to_string(t.x) + ", " + std::to_string(t.y) + ", " +
                      std::to_string(t.cx) + ", " + std::to_string(t.cy) + "\n";
    out += "STYLE " + Hex(t.dwStyle) + "\n";
    out += "EXSTYLE " + Hex(t.dwExStyle) + "\n";
    out += "CAPTION " + Quoted(t.lpszTitle) + "\n";
    out += "FONT " + std::to_string(t.nPointSize) + ", " + Quoted(t.lpszFace) + ", " + std::to_string(t.nWeight) +
           ", " + (t.bItalic ? "1" : "0") + ", " + std::to_string(t.nCharSet) + "\n";
    out += "BEGIN\n";
    for (std::size_t i = 0; i < t.nControls; ++i)
    {
        const DialogControl& c = t.pControls[i];
        out += "    CONTROL " + Quoted(c.lpszText) + ", " + std::to_string(c.nID) + ", " + Quoted(c.lpszClass) + ", " +
               ControlStyle(c.dwStyle) + ", " + std::to_string(c.x) + ", " + std::to_string(c.y) + ", " +
               std::to_string(c.cx) + ", " + std::to_string(c.cy) + ", " + Hex(c.dwExStyle) + "\n";
    }
    return out + "END\n";
}

std::string ResourceScript()
{
    std::string out =
        "// The program's dialogs, written from res/DialogTemplates.cpp by the unit tests; do not edit. After a\n"
        "// change to the templates: KELVANE_UPDATE_GOLDEN=1 build/linux/tests/kelvane_unit_tests "
        "--gtest_filter='DialogResource*'\n"
        "#pragma code_page(65001)\n\n"
        "LANGUAGE LANG_JAPANESE, SUBLANG_DEFAULT\n";
    for (const UINT nID : {IDD_ABOUTBOX, IDD_SETTINGS})
        out += "\n" + DialogScript(*AfxFindDialogTemplate(nID));
    return out;
}
}   // namespace

TEST(DialogResource, TheWindowsScriptIsWrittenFromTheTemplates)
{
    const std::string script = ResourceScript();
    if (std::getenv("KELVANE_UPDATE_GOLDEN") != nullptr)
        TestSupport::WriteFile(kScript, script);
    EXPECT_EQ(TestSupport::ReadFile(kScript), script) << "rewrite it with KELVANE_UPDATE_GOLDEN=1";
}
