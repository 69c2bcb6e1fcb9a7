#pragma once
// The profile's text rules, as the Windows profile API applies them: which lines are headers and
// keys, names compared ignoring ASCII case, blanks trimmed, values unquoted. Pure functions over
// text; reading and replacing the file is IniFile.cpp's.

#include "platform/common/IniFile.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace IniText
{
// Names compare ignoring ASCII case.
bool EqualNoCase(std::string_view a, std::string_view b);
// s without the blanks around it (IniFile::IsBlank).
std::string_view TrimBlanks(std::string_view s);
bool HasLineBreakOrNul(std::string_view s);
// A section and a key that a read can find again: neither empty nor spread over lines, the key
// holding no '=' and starting with neither ';' nor '['.
bool NamesReadable(std::string_view section, std::string_view key);

// The section a header line opens: the name between its '[' and its last ']'. A '[' line without
// ']' is no header.
std::optional<std::string_view> SectionOf(std::string_view line);

struct Entry
{
    std::string_view key;
    std::string_view value;
};

// The key and value of a line that is no header: one with '=' that is no ';' comment.
std::optional<Entry> EntryOf(std::string_view line);

// The value as the profile API hands it over: unquoted, up to a NUL, cut to the buffer.
std::string ProfileValue(std::string_view value);

// A key's line as a write puts it, without its line break.
std::string KeyLine(std::string_view key, std::string_view value);
// A section's header and its keys, each line ended by lineBreak.
std::string NewSection(std::string_view section, std::span<const IniFile::KeyValue> entries,
                       std::string_view lineBreak);
}   // namespace IniText
