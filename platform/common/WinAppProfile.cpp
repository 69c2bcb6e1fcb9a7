// The application's profile: this run's overrides first, then the INI file by the Windows profile API's rules.

#include "platform/WinApp.h"
#include "platform/common/IniFile.h"

#include <optional>
#include <string_view>
#include <vector>

// A null section or entry asks Windows for a list of names; the program never does, so here it
// reads as missing and writes nothing.

namespace
{
const std::string* FindOverride(const CWinApp& app, const char* lpszSection, const char* lpszEntry)
{
    if (!lpszSection || !lpszEntry || app.m_profileOverrides.empty())
        return nullptr;
    const auto it = app.m_profileOverrides.find({lpszSection, lpszEntry});
    return it != app.m_profileOverrides.end() ? &it->second : nullptr;
}
}   // namespace

UINT CWinApp::GetProfileInt(const char* lpszSection, const char* lpszEntry, int nDefault)
{
    const UINT fallback = static_cast<UINT>(nDefault);
    const std::string* pOverride = FindOverride(*this, lpszSection, lpszEntry);
    if ((m_strProfileName.empty() && !pOverride) || !lpszSection || !lpszEntry)
        return fallback;
    const auto value = pOverride ? std::optional<std::string>(*pOverride)
                                 : IniFile::ReadString(m_strProfileName, lpszSection, lpszEntry);
    if (!value || value->empty())
        return fallback;
    return IniFile::ParseProfileInt(*value);
}

std::string CWinApp::GetProfileString(const char* lpszSection, const char* lpszEntry, const char* lpszDefault)
{
    if (const std::string* pOverride = FindOverride(*this, lpszSection, lpszEntry))
        return pOverride->substr(0, IniFile::kMaxValueLength);
    if (!m_strProfileName.empty() && lpszSection && lpszEntry)
        if (auto value = IniFile::ReadString(m_strProfileName, lpszSection, lpszEntry))
            return *value;
    // Windows hands back the default without its trailing blanks, in the same buffer as a value.
    std::string_view fallback = lpszDefault ? lpszDefault : "";
    while (!fallback.empty() && IniFile::IsBlank(fallback.back()))
        fallback.remove_suffix(1);
    return std::string(fallback.substr(0, IniFile::kMaxValueLength));
}

bool CWinApp::WriteProfileInt(const char* lpszSection, const char* lpszEntry, int nValue)
{
    return WriteProfileString(lpszSection, lpszEntry, std::to_string(nValue).c_str());
}

// A null value deletes the key on Windows; the program never asks for that, so it writes "".
bool CWinApp::WriteProfileString(const char* lpszSection, const char* lpszEntry, const char* lpszValue)
{
    if (m_strProfileName.empty() || !lpszSection || !lpszEntry)
        return false;
    return IniFile::WriteString(m_strProfileName, lpszSection, lpszEntry, lpszValue ? lpszValue : "");
}

bool CWinApp::WriteProfileStrings(const char* lpszSection,
                                  const std::vector<std::pair<std::string, std::string>>& entries)
{
    if (m_strProfileName.empty() || !lpszSection)
        return false;
    std::vector<IniFile::KeyValue> keys;
    keys.reserve(entries.size());
    for (const auto& [strEntry, strValue] : entries)
        keys.push_back({strEntry, strValue});
    return IniFile::WriteStrings(m_strProfileName, lpszSection, keys);
}
