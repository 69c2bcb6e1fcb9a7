// The profile's text rules (platform/common/IniText.h) and GetPrivateProfileInt's reading of a number.

#include "platform/common/IniText.h"

#include <algorithm>
#include <cstddef>

namespace
{
// GetPrivateProfileInt reads the value into a 30-character buffer.
constexpr std::size_t kIntTextLength = 29;

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
}   // namespace

namespace IniText
{
bool EqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && IniFile::IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IniFile::IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool HasLineBreakOrNul(std::string_view s)
{
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool NamesReadable(std::string_view section, std::string_view key)
{
    return !section.empty() && !key.empty() && !HasLineBreakOrNul(section) && !HasLineBreakOrNul(key) &&
           key.find('=') == std::string_view::npos && key.front() != ';' && key.front() != '[';
}

std::optional<std::string_view> SectionOf(std::string_view line)
{
    line = TrimBlanks(line);
    const std::size_t close = line.rfind(']');
    if (line.empty() || line.front() != '[' || close == std::string_view::npos)
        return std::nullopt;
    return TrimBlanks(line.substr(1, close - 1));
}

std::optional<Entry> EntryOf(std::string_view line)
{
    line = TrimBlanks(line);
    const std::size_t equals = line.find('=');
    if (line.empty() || line.front() == ';' || equals == std::string_view::npos)
        return std::nullopt;
    return Entry{TrimBlanks(line.substr(0, equals)), TrimBlanks(line.substr(equals + 1))};
}

std::string ProfileValue(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    value = value.substr(0, value.find('\0'));
    return std::string(value.substr(0, IniFile::kMaxValueLength));
}

std::string KeyLine(std::string_view key, std::string_view value)
{
    return std::string(key) + "=" + std::string(value);
}

std::string NewSection(std::string_view section, std::span<const IniFile::KeyValue> entries, std::string_view lineBreak)
{
    std::string text = "[";
    text.append(section).append("]").append(lineBreak);
    for (const IniFile::KeyValue& entry : entries)
        text.append(KeyLine(entry.key, entry.value)).append(lineBreak);
    return text;
}
}   // namespace IniText

UINT IniFile::ParseProfileInt(std::string_view text)
{
    text = text.substr(0, kIntTextLength);
    std::size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    UINT value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<UINT>(text[i] - '0');
    return negative ? 0u - value : value;
}
