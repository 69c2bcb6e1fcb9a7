// The INI store: arbitrary bytes as a profile, read and then written. The first line names the
// section, the key and the value written, separated by '|'; the rest is the file.

#include "FuzzSupport.h"
#include "platform/common/IniFile.h"

#include <cstdio>
#include <fstream>

namespace
{
// Whether a read gives back value exactly as written: nothing a read trims, unquotes or cuts.
bool SurvivesARead(const std::string& value)
{
    if (value.size() > IniFile::kMaxValueLength || value.find('\0') != std::string::npos)
        return false;
    if (!value.empty() && (IniFile::IsBlank(value.front()) || IniFile::IsBlank(value.back())))
        return false;
    return !(value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front());
}
}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> parts = FuzzSupport::Split(data, size, '\n', 2);
    const std::vector<std::string> names =
        FuzzSupport::Split(reinterpret_cast<const std::uint8_t*>(parts[0].data()), parts[0].size(), '|', 3);
    const std::string section = names[0];
    const std::string key = names.size() > 1 ? names[1] : "k";
    const std::string value = names.size() > 2 ? names[2] : "";
    const std::string path = FuzzSupport::Folder() + "/p.ini";
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        if (parts.size() > 1)
            file << parts[1];
    }
    const std::optional<std::string> before = IniFile::ReadString(path, section, key);
    if (before)
        FUZZ_CHECK(before->size() <= IniFile::kMaxValueLength);
    (void)IniFile::ReadString(path, "Config-Ver102", "Count");
    (void)IniFile::ParseProfileInt(value);

    if (IniFile::WriteString(path, section, key, value) && SurvivesARead(value))
        FUZZ_CHECK(IniFile::ReadString(path, section, key) == value);
    // A second key in the same section goes after the first without disturbing it.
    if (IniFile::WriteString(path, section, "second key", "2"))
        FUZZ_CHECK(IniFile::ReadString(path, section, "second key") == std::optional<std::string>("2"));
    std::remove(path.c_str());
    return 0;
}
