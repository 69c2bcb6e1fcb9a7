#pragma once
// The profile file: an INI store read and written by the Windows profile API's rules, so that a
// profile reads the same on every platform and a Windows profile can be copied over as it is.

#include "platform/Types.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace IniFile
{
// The longest value a read returns: the application frame reads into a 4096-character buffer.
inline constexpr std::size_t kMaxValueLength = 4095;

// The blanks trimmed around names and values.
constexpr bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// The value of key in the first section named section, or nullopt when the file, the section or
// the key is missing or the file cannot be read. Names compare ignoring ASCII case and the blanks
// around them. The value is trimmed, loses one pair of enclosing quotes (" or '), and ends at the
// first NUL byte or after kMaxValueLength characters.
std::optional<std::string> ReadString(const std::string& path, std::string_view section, std::string_view key);

// One key of a write and its new value.
struct KeyValue
{
    std::string_view key;
    std::string_view value;
};

// Sets the keys of the first section named section to their values in one replacement of the
// file, and says whether the file was written. A key already there keeps its spelling and is
// rewritten as "Key=value"; the missing keys go after the section's last key, in the order given,
// and a missing section goes at the end of the file with every key in order. Every other byte
// stays as it was. The file is replaced atomically (through a symbolic link, its target), keeping
// its permissions; a new file gets 0600 and missing folders 0700. On failure the old file is
// untouched.
// Refused with false, as they could not be read back: an empty section or key, a line break or
// NUL in any name or value, a key holding '=' or starting with ';' or '['; and, as there is
// nothing sound to write, no keys at all or a key named twice (names compare as a read compares them).
// Like Windows, a value is stored as given: blanks around it, enclosing quotes and characters past
// kMaxValueLength do not survive a read.
bool WriteStrings(const std::string& path, std::string_view section, std::span<const KeyValue> entries);

// WriteStrings of one key.
bool WriteString(const std::string& path, std::string_view section, std::string_view key, std::string_view value);

// GetPrivateProfileInt's reading of a value: the first 29 characters, leading control characters
// and spaces skipped, an optional sign, then decimal digits up to the first other character,
// wrapping modulo 2^32. No digits gives 0.
UINT ParseProfileInt(std::string_view text);
}   // namespace IniFile
