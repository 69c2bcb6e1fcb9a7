// The profile on Windows: <exe>.ini in the user's roaming application-data folder (%APPDATA%).

#include "platform/win32/Win32.h"

#include <shlobj.h>

std::string AfxProfilePathFor(const std::string& strExeName)
{
    if (strExeName.empty() || strExeName.find_first_of("/\\:") != std::string::npos)
        return {};
    PWSTR pFolder = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &pFolder)) && pFolder != nullptr)
        folder = Win32::Narrow(pFolder);
    CoTaskMemFree(pFolder);
    if (folder.empty())
        return {};   // no profile: every read gives its default
    return folder + "\\" + strExeName + ".ini";
}
