// The profile's INI store: a key's value read from the file a chunk at a time, and a write's
// edits planned over the old file's lines and copied into its safe replacement.

#include "platform/common/IniFile.h"

#include "platform/common/FileReplacement.h"
#include "platform/common/IniText.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using namespace IniText;
using namespace FileReplacement;

namespace
{
// Files are read in chunks of this size, whatever their lines' lengths.
constexpr std::size_t kChunkSize = 64 * 1024;
// The bytes of a line looked at; the rest of a longer line (it can be gigabytes) is skipped.
constexpr std::size_t kKeptLength = 64 * 1024;
#ifdef _WIN32
constexpr std::string_view kNativeLineBreak = "\r\n";
#else
constexpr std::string_view kNativeLineBreak = "\n";
#endif

// One line of a profile: its bytes [start, end), the break after it ("" at the end of the file)
// and its text. A line longer than kKeptLength keeps its first bytes and its last non-blank byte,
// so that a closing quote or ']' far out still counts.
struct Line
{
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    std::string_view lineBreak;
    std::string_view text;
};

// Hands out a file's lines, ended by CR LF, LF or CR, reading a chunk at a time.
class LineReader
{
public:
    explicit LineReader(std::FILE* file) : m_file(file), m_buffer(kChunkSize) { m_text.reserve(kKeptLength + 1); }

    // The next line; false at the end of the file or on a read error. Its text lasts until the next call.
    bool Next(Line& line)
    {
        if (!Fill())
            return false;
        line.start = Offset();
        m_text.clear();
        std::optional<char> lastSkipped;
        while (Fill() && !IsBreak(m_buffer[m_pos]))
        {
            const char* const from = m_buffer.data() + m_pos;
            const char* const brk = std::find_if(from, from + (m_size - m_pos), IsBreak);
            const std::size_t keep = std::min(static_cast<std::size_t>(brk - from), kKeptLength - m_text.size());
            m_text.append(from, keep);
            for (const char* p = brk; p > from + keep; --p)
                if (!IniFile::IsBlank(p[-1]))
                {
                    lastSkipped = p[-1];
                    break;
                }
            m_pos += static_cast<std::size_t>(brk - from);
        }
        if (Failed())
            return false;   // a line cut short by the error is no line
        line.end = Offset();
        line.lineBreak = "";
        if (Fill())
        {
            const bool cr = m_buffer[m_pos++] == '\r';
            line.lineBreak = cr ? "\r" : "\n";
            if (cr && Fill() && m_buffer[m_pos] == '\n')
            {
                ++m_pos;
                line.lineBreak = "\r\n";
            }
        }
        if (lastSkipped)
            m_text += *lastSkipped;
        line.text = m_text;
        return true;
    }

    bool Failed() const { return std::ferror(m_file) != 0; }
    // The file offset of the next byte to read: the file's size once all lines are read.
    std::uint64_t Offset() const { return m_bufferStart + m_pos; }

private:
    static bool IsBreak(char c) { return c == '\r' || c == '\n'; }

    // Makes sure the buffer holds unread bytes; false once the file is used up.
    bool Fill()
    {
        if (m_pos < m_size)
            return true;
        m_bufferStart += m_size;
        m_size = std::fread(m_buffer.data(), 1, m_buffer.size(), m_file);
        m_pos = 0;
        return m_size > 0;
    }

    std::FILE* m_file;
    std::vector<char> m_buffer;
    std::uint64_t m_bufferStart = 0;   // the file offset of m_buffer[0]
    std::size_t m_pos = 0;
    std::size_t m_size = 0;
    std::string m_text;
};

// How the new profile differs from the old: bytes [from, to) give way to text.
struct Edit
{
    std::uint64_t from = 0;
    std::uint64_t to = 0;
    std::string text;
};

// Where the keys go in the profile, in file order: over each key's line, the missing ones after
// the section's last key line (or its header), or all of them in a new section at the end.
bool PlanEdits(std::FILE* source, std::string_view section, std::span<const IniFile::KeyValue> entries,
               std::vector<Edit>& edits)
{
    LineReader lines(source);
    std::string_view lineBreak;   // the file's first
    bool inSection = false;
    bool endsInLine = false;   // the file's last line has no break
    std::uint64_t insertAt = 0;
    std::vector<bool> found(entries.size(), false);
    std::size_t nFound = 0;
    Line line;
    while (nFound < entries.size() && lines.Next(line))
    {
        if (lineBreak.empty())
            lineBreak = line.lineBreak;
        endsInLine = line.lineBreak.empty();
        if (const auto name = SectionOf(line.text))
        {
            if (inSection)
                break;
            inSection = EqualNoCase(*name, section);
            if (inSection)
                insertAt = line.end;
        }
        else if (const auto entry = EntryOf(line.text); inSection && entry)
        {
            const auto match = std::find_if(entries.begin(), entries.end(),
                                            [&](const IniFile::KeyValue& e) { return EqualNoCase(e.key, entry->key); });
            // Only a key's first line is read back, so only that one is rewritten.
            if (match != entries.end() && !found[static_cast<std::size_t>(match - entries.begin())])
            {
                found[static_cast<std::size_t>(match - entries.begin())] = true;
                ++nFound;
                edits.push_back({line.start, line.end, KeyLine(entry->key, match->value)});
            }
            insertAt = line.end;
        }
    }
    if (lines.Failed())
        return false;
    if (nFound == entries.size())
        return true;
    if (lineBreak.empty())
        lineBreak = kNativeLineBreak;
    if (inSection)
    {
        std::string text;
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (!found[i])
                text.append(lineBreak).append(KeyLine(entries[i].key, entries[i].value));
        edits.push_back({insertAt, insertAt, std::move(text)});
    }
    else
        edits.push_back(
            {lines.Offset(), lines.Offset(),
             (endsInLine ? std::string(lineBreak) : std::string()) + NewSection(section, entries, lineBreak)});
    return true;
}

// Copies the next count bytes of source to out, or skips them when out is null; stops at the end.
bool Transfer(std::FILE* source, std::uint64_t count, TempFile* out)
{
    std::vector<char> buffer(kChunkSize);
    while (count > 0)
    {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(count, kChunkSize));
        const std::size_t n = std::fread(buffer.data(), 1, want, source);
        if (n == 0)
            return std::ferror(source) == 0;
        if (out && !out->Write(std::string_view(buffer.data(), n)))
            return false;
        count -= n;
    }
    return true;
}

// The new profile: the old one's bytes with the edits, which are in file order, made.
bool CopyWithEdits(std::FILE* source, const std::vector<Edit>& edits, TempFile& out)
{
    if (!source)
        return std::all_of(edits.begin(), edits.end(), [&](const Edit& edit) { return out.Write(edit.text); });
    std::rewind(source);
    std::uint64_t offset = 0;
    for (const Edit& edit : edits)
    {
        if (!Transfer(source, edit.from - offset, &out) || !out.Write(edit.text) ||
            !Transfer(source, edit.to - edit.from, nullptr))
            return false;
        offset = edit.to;
    }
    return Transfer(source, std::numeric_limits<std::uint64_t>::max(), &out);
}
}   // namespace

namespace IniFile
{
std::optional<std::string> ReadString(const std::string& path, std::string_view section, std::string_view key)
{
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    if (path.empty() || !NamesReadable(section, key))
        return std::nullopt;
    FilePtr file;
    unsigned mode = 0;
    if (OpenForRead(PathFromUtf8(path), file, mode) != OpenStatus::Opened)
        return std::nullopt;

    LineReader lines(file.get());
    bool inSection = false;
    Line line;
    while (lines.Next(line))
    {
        if (const auto name = SectionOf(line.text))
        {
            if (inSection)
                break;   // only the first section of the name counts
            inSection = EqualNoCase(*name, section);
        }
        else if (const auto entry = EntryOf(line.text); inSection && entry && EqualNoCase(entry->key, key))
            return ProfileValue(entry->value);
    }
    return std::nullopt;
}

bool WriteStrings(const std::string& path, std::string_view section, std::span<const KeyValue> entries)
{
    section = TrimBlanks(section);
    if (path.empty() || entries.empty())
        return false;
    std::vector<KeyValue> keys;
    keys.reserve(entries.size());
    for (const KeyValue& entry : entries)
    {
        const KeyValue key{TrimBlanks(entry.key), entry.value};
        if (!NamesReadable(section, key.key) || HasLineBreakOrNul(key.value))
            return false;
        // Which of two values of one key would win is anybody's guess.
        if (std::any_of(keys.begin(), keys.end(), [&](const KeyValue& k) { return EqualNoCase(k.key, key.key); }))
            return false;
        keys.push_back(key);
    }
    fs::path target;
    if (!ResolveLinks(PathFromUtf8(path), target))
        return false;
    if (!EnsureFolder(target.parent_path()))
        return false;
    // From reading the old profile to replacing it, no other save may come between.
    const SaveLock lock(target);
    if (!lock.IsHeld())
        return false;
    RemoveStaleTemporaries(target);

    FilePtr source;
    unsigned mode = 0600;
    std::vector<Edit> edits;
    switch (OpenForRead(target, source, mode))
    {
    case OpenStatus::Failed:
        return false;   // an unreadable profile must not be replaced by one holding only these keys
    case OpenStatus::Missing: edits.push_back({0, 0, NewSection(section, keys, kNativeLineBreak)}); break;
    case OpenStatus::Opened:
        if (!PlanEdits(source.get(), section, keys, edits))
            return false;
        break;
    }

    TempFile temp(target);
    if (!temp.IsOpen() || !temp.SetMode(mode) || !CopyWithEdits(source.get(), edits, temp))
        return false;
    source.reset();   // Windows replaces no file that is still open
    return temp.Commit();
}

bool WriteString(const std::string& path, std::string_view section, std::string_view key, std::string_view value)
{
    const KeyValue entry{key, value};
    return WriteStrings(path, section, std::span(&entry, 1));
}
}   // namespace IniFile
