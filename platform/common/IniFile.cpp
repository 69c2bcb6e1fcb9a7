#include "platform/common/IniFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace
{
// Files are read in chunks of this size, whatever their lines' lengths.
constexpr std::size_t kChunkSize = 64 * 1024;
// Enough of a value to strip a pair of quotes and keep kMaxValueLength characters.
constexpr std::size_t kValueCap = IniFile::kMaxValueLength + 2;
// GetPrivateProfileInt reads the value into a 30-character buffer.
constexpr std::size_t kIntTextLength = 29;
constexpr int kMaxLinkDepth = 40;
#ifdef _WIN32
constexpr std::string_view kNativeLineBreak = "\r\n";
#else
constexpr std::string_view kNativeLineBreak = "\n";
#endif

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

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

// A name or value of one line, trimmed, of which only the first cap characters are kept: the rest
// of a line can be gigabytes long.
class Field
{
public:
    // How far the trimmed text reached at some point of the line.
    struct Mark
    {
        std::size_t length = 0;
        bool more = false;
    };

    explicit Field(std::size_t cap) : m_cap(cap) { m_kept.reserve(cap); }

    void Clear()
    {
        m_kept.clear();
        m_mark = Mark{};
        m_last = '\0';
    }

    void Append(const char* p, std::size_t n)
    {
        std::size_t i = 0;
        if (m_kept.empty())
            while (i < n && IniFile::IsBlank(p[i]))
                ++i;
        const std::size_t take = std::min(m_cap - m_kept.size(), n - i);
        for (std::size_t j = i + take; j > i; --j)
            if (!IniFile::IsBlank(p[j - 1]))
            {
                m_mark.length = m_kept.size() + (j - i);
                m_last = p[j - 1];
                break;
            }
        m_kept.append(p + i, take);
        // Past the kept prefix only the last non-blank character still matters (for quotes).
        for (std::size_t j = n; j > i + take; --j)
            if (!IniFile::IsBlank(p[j - 1]))
            {
                m_mark.more = true;
                m_last = p[j - 1];
                break;
            }
    }

    Mark Now() const { return m_mark; }
    // The trimmed text as it was at mark: all of it, or its first cap characters when mark.more.
    std::string_view TextAt(Mark mark) const
    {
        return mark.more ? std::string_view(m_kept) : std::string_view(m_kept).substr(0, mark.length);
    }
    std::string_view Text() const { return TextAt(m_mark); }
    bool Complete() const { return !m_mark.more; }
    char Last() const { return m_last; }

private:
    std::size_t m_cap;
    std::string m_kept;   // the text after the leading blanks, at most m_cap characters
    Mark m_mark;
    char m_last = '\0';   // the last non-blank character of the whole text
};

enum class LineKind
{
    Other,
    Header,
    Key
};

struct LineInfo
{
    LineKind kind = LineKind::Other;
    bool matches = false;   // a header naming the section sought, or a key line naming the key sought
    std::string name;       // a matching key's name as the file spells it
    std::string value;      // a matching key's value, when values are wanted
};

// The value as the profile API hands it over: unquoted, up to a NUL, cut to the buffer.
std::string FinishValue(const Field& field)
{
    std::string_view v = field.Text();
    const bool longer = !field.Complete();
    if (!v.empty() && (v.size() >= 2 || longer) && (v.front() == '"' || v.front() == '\'') && field.Last() == v.front())
    {
        v.remove_prefix(1);
        if (!longer)
            v.remove_suffix(1);
    }
    v = v.substr(0, v.find('\0'));
    return std::string(v.substr(0, IniFile::kMaxValueLength));
}

// Classifies the lines of a profile fed to it in pieces, against one section and key.
class LineScanner
{
public:
    LineScanner(std::string_view section, std::string_view key)
        : m_section(section), m_key(key), m_name(std::max(section.size(), key.size()) + 1), m_value(kValueCap)
    {
    }

    // Whether the value of a matching key line is kept; only the sought section's is needed.
    void WantValues(bool want) { m_wantValue = want; }

    // Takes the next bytes of the current line, line breaks excluded.
    void Feed(const char* p, std::size_t n)
    {
        while (n > 0)
        {
            switch (m_state)
            {
            case State::Start:
                while (n > 0 && IniFile::IsBlank(*p))
                {
                    ++p;
                    --n;
                }
                if (n == 0)
                    return;
                if (*p == ';')
                {
                    m_state = State::Skip;
                    return;
                }
                if (*p == '[')
                {
                    m_state = State::Header;
                    ++p;
                    --n;
                }
                else
                    m_state = State::Name;
                break;
            case State::Header:
                FeedHeader(p, n);
                return;
            case State::Name:
            {
                const void* eq = std::memchr(p, '=', n);
                const std::size_t len = eq ? static_cast<std::size_t>(static_cast<const char*>(eq) - p) : n;
                m_name.Append(p, len);
                if (!eq)
                    return;
                m_isKey = true;
                m_nameMatches = m_name.Complete() && EqualNoCase(m_name.Text(), m_key);
                m_state = (m_nameMatches && m_wantValue) ? State::Value : State::Skip;
                p += len + 1;
                n -= len + 1;
                break;
            }
            case State::Value:
                m_value.Append(p, n);
                return;
            case State::Skip:
                return;
            }
        }
    }

    // Ends the current line and says what it was.
    LineInfo EndLine()
    {
        LineInfo info;
        if (m_state == State::Header)
        {
            if (m_sawClose)
            {
                info.kind = LineKind::Header;
                info.matches = !m_headerEnd.more && EqualNoCase(m_name.TextAt(m_headerEnd), m_section);
            }
            else if (m_sawEquals)
                info.kind = LineKind::Key;   // a '[' line without ']' is an ordinary line
        }
        else if (m_isKey)
        {
            info.kind = LineKind::Key;
            info.matches = m_nameMatches;
            if (m_nameMatches)
            {
                info.name = m_name.Text();
                if (m_state == State::Value)
                    info.value = FinishValue(m_value);
            }
        }
        m_state = State::Start;
        m_name.Clear();
        m_value.Clear();
        m_headerEnd = Field::Mark{};
        m_sawClose = m_sawEquals = m_isKey = m_nameMatches = false;
        return info;
    }

private:
    enum class State
    {
        Start,
        Header,
        Name,
        Value,
        Skip
    };

    // The section name runs to the line's last ']'.
    void FeedHeader(const char* p, std::size_t n)
    {
        if (!m_sawEquals && std::memchr(p, '=', n))
            m_sawEquals = true;
        std::size_t close = n;
        while (close > 0 && p[close - 1] != ']')
            --close;
        if (close == 0)
        {
            m_name.Append(p, n);
            return;
        }
        m_name.Append(p, close - 1);
        m_headerEnd = m_name.Now();
        m_sawClose = true;
        m_name.Append(p + close - 1, n - close + 1);
    }

    std::string_view m_section;
    std::string_view m_key;
    Field m_name;
    Field m_value;
    State m_state = State::Start;
    Field::Mark m_headerEnd;
    bool m_sawClose = false;
    bool m_sawEquals = false;
    bool m_isKey = false;
    bool m_nameMatches = false;
    bool m_wantValue = false;
};

struct FileCloser
{
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

struct ScanResult
{
    bool ok = true;
    std::uint64_t size = 0;
    std::string_view firstBreak;   // empty: the file has no line break
    bool endsInsideLine = false;   // the last line has no line break
};

// Splits the file into lines (CR LF, LF or CR end one), feeds them to the scanner and hands each
// line's kind and byte range (break excluded) to onLine, which returns false to stop early.
template <typename OnLine>
ScanResult ScanLines(std::FILE* file, LineScanner& scanner, OnLine&& onLine)
{
    ScanResult result;
    const std::unique_ptr<char[]> buffer(new char[kChunkSize]);
    std::uint64_t offset = 0;      // the file offset of buffer[0]
    std::uint64_t lineStart = 0;
    bool afterCR = false;          // the last chunk ended in CR: a leading LF belongs to that break
    bool firstBreakIsCR = false;   // the first break is that CR, with or without LF
    for (;;)
    {
        const std::size_t n = std::fread(buffer.get(), 1, kChunkSize, file);
        if (n == 0)
            break;
        const char* const begin = buffer.get();
        const char* const end = begin + n;
        const char* p = begin;
        if (afterCR)
        {
            afterCR = false;
            const bool lf = *p == '\n';
            if (firstBreakIsCR)
                result.firstBreak = lf ? "\r\n" : "\r";
            firstBreakIsCR = false;
            if (lf)
            {
                ++p;
                ++lineStart;
            }
        }
        // Where the next CR and LF are, each searched again only once passed, so that a file
        // without one of them costs no rescans.
        const auto find = [end](const char* from, char c) {
            const void* q = std::memchr(from, c, static_cast<std::size_t>(end - from));
            return q ? static_cast<const char*>(q) : end;
        };
        const char* nextCR = find(p, '\r');
        const char* nextLF = find(p, '\n');
        for (;;)
        {
            if (nextCR < p)
                nextCR = find(p, '\r');
            if (nextLF < p)
                nextLF = find(p, '\n');
            const char* brk = std::min(nextCR, nextLF);
            scanner.Feed(p, static_cast<std::size_t>(brk - p));
            if (brk == end)
                break;
            const std::uint64_t lineEnd = offset + static_cast<std::uint64_t>(brk - begin);
            std::size_t breakLength = 1;
            if (*brk == '\r')
            {
                if (brk + 1 == end)
                    afterCR = true;
                else if (brk[1] == '\n')
                    breakLength = 2;
            }
            if (result.firstBreak.empty() && !firstBreakIsCR)
            {
                if (afterCR)
                    firstBreakIsCR = true;
                else
                    result.firstBreak = *brk == '\n' ? "\n" : (breakLength == 2 ? "\r\n" : "\r");
            }
            if (!onLine(scanner.EndLine(), lineStart, lineEnd))
                return result;
            p = brk + breakLength;
            lineStart = offset + static_cast<std::uint64_t>(p - begin);
        }
        offset += n;
    }
    if (std::ferror(file))
    {
        result.ok = false;
        return result;
    }
    if (firstBreakIsCR)
        result.firstBreak = "\r";
    result.size = offset;
    if (lineStart < offset)
    {
        result.endsInsideLine = true;
        onLine(scanner.EndLine(), lineStart, offset);
    }
    return result;
}

enum class OpenStatus
{
    Opened,
    Missing,
    Failed
};

// Opens a regular file for reading; anything else in its place (a folder, a pipe that would
// block) fails. On POSIX, mode receives the file's permission bits.
OpenStatus OpenForRead(const fs::path& path, FilePtr& file, unsigned& mode)
{
#ifdef _WIN32
    mode = 0;
    std::FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f)
        return errno == ENOENT ? OpenStatus::Missing : OpenStatus::Failed;
    file.reset(f);
    struct _stat64 st;
    if (_fstat64(_fileno(f), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG)
        return OpenStatus::Failed;
    return OpenStatus::Opened;
#else
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT ? OpenStatus::Missing : OpenStatus::Failed;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    {
        ::close(fd);
        return OpenStatus::Failed;
    }
    mode = static_cast<unsigned>(st.st_mode & 07777);
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f)
    {
        ::close(fd);
        return OpenStatus::Failed;
    }
    file.reset(f);
    return OpenStatus::Opened;
#endif
}

// The file a write must replace: the profile path with its symbolic links followed, so that a
// linked profile stays linked.
bool ResolveLinks(fs::path path, fs::path& target)
{
    for (int depth = 0; depth < kMaxLinkDepth; ++depth)
    {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(path, ec)))
        {
            target = path;
            return true;
        }
        fs::path link = fs::read_symlink(path, ec);
        if (ec)
            return false;
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return false;   // a loop of links
}

// Creates the missing folders of dir, private to the user.
bool EnsureFolder(const fs::path& dir)
{
    if (dir.empty())
        return true;
    std::error_code ec;
    const fs::file_status st = fs::status(dir, ec);
    if (fs::is_directory(st))
        return true;
    if (st.type() != fs::file_type::not_found || dir.parent_path() == dir || !EnsureFolder(dir.parent_path()))
        return false;
#ifdef _WIN32
    fs::create_directory(dir, ec);
    return !ec || fs::is_directory(dir, ec);
#else
    return ::mkdir(dir.c_str(), 0700) == 0 || (errno == EEXIST && fs::is_directory(dir, ec));
#endif
}

// The new profile while it is written, beside the old one; removed unless it replaced it.
class TempFile
{
public:
    TempFile(const fs::path& folder, const fs::path& target)
    {
        const fs::path name = fs::path(".") += target.filename();
#ifdef _WIN32
        std::wstring pattern = ((folder.empty() ? fs::path(".") : folder) / (name.wstring() + L".XXXXXX")).wstring();
        if (_wmktemp(pattern.data()) == nullptr)
            return;
        const int fd = _wopen(pattern.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (fd < 0)
            return;
        m_path = pattern;
        m_file.reset(_fdopen(fd, "wb"));
        if (!m_file)
            _close(fd);
#else
        std::string pattern = ((folder.empty() ? fs::path(".") : folder) / (name.string() + ".XXXXXX")).string();
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0)
            return;
        m_path = pattern;
        m_file.reset(::fdopen(fd, "wb"));
        if (!m_file)
            ::close(fd);
#endif
    }

    ~TempFile()
    {
        m_file.reset();
        if (!m_path.empty())
        {
            std::error_code ec;
            fs::remove(m_path, ec);
        }
    }

    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    std::FILE* File() const { return m_file.get(); }

    bool Write(const char* p, std::size_t n) { return n == 0 || std::fwrite(p, 1, n, m_file.get()) == n; }
    bool Write(std::string_view s) { return Write(s.data(), s.size()); }

    bool SetMode([[maybe_unused]] unsigned mode)
    {
#ifdef _WIN32
        return true;
#else
        return ::fchmod(::fileno(m_file.get()), static_cast<mode_t>(mode)) == 0;
#endif
    }

    // Puts the bytes on the disk and the file in target's place.
    bool Commit(const fs::path& target)
    {
        std::FILE* f = m_file.release();
        bool ok = std::fflush(f) == 0;
#ifdef _WIN32
        ok = ok && _commit(_fileno(f)) == 0;
#else
        ok = ok && ::fsync(::fileno(f)) == 0;
#endif
        ok = (std::fclose(f) == 0) && ok;
        if (!ok)
            return false;
        std::error_code ec;
        fs::rename(m_path, target, ec);
        if (ec)
            return false;
        m_path.clear();
        return true;
    }

private:
    fs::path m_path;
    FilePtr m_file;
};

// The rename is durable once the folder's entry is on the disk too.
void SyncFolder([[maybe_unused]] const fs::path& folder)
{
#ifndef _WIN32
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
    {
        ::fsync(fd);
        ::close(fd);
    }
#endif
}

// How the new file differs from the old: bytes [from, to) give way to text.
struct Edit
{
    std::uint64_t from = 0;
    std::uint64_t to = 0;
    std::string text;
};

bool PlanEdit(std::FILE* source, std::string_view section, std::string_view key, std::string_view value, Edit& edit)
{
    LineScanner scanner(section, key);
    bool inSection = false;
    bool keyFound = false;
    std::uint64_t insertAt = 0;
    std::string spelling;
    const ScanResult scan = ScanLines(source, scanner, [&](const LineInfo& line, std::uint64_t start, std::uint64_t end) {
        if (line.kind == LineKind::Header)
        {
            if (inSection)
                return false;
            if (line.matches)
            {
                inSection = true;
                insertAt = end;
            }
        }
        else if (line.kind == LineKind::Key && inSection)
        {
            if (line.matches)
            {
                keyFound = true;
                edit.from = start;
                edit.to = end;
                spelling = line.name;
                return false;
            }
            insertAt = end;
        }
        return true;
    });
    if (!scan.ok)
        return false;
    const std::string_view lineBreak = scan.firstBreak.empty() ? kNativeLineBreak : scan.firstBreak;
    std::string entry = std::string(keyFound ? std::string_view(spelling) : key) + "=" + std::string(value);
    if (keyFound)
        edit.text = std::move(entry);
    else if (inSection)
    {
        edit.from = edit.to = insertAt;
        edit.text = std::string(lineBreak) + entry;
    }
    else
    {
        edit.from = edit.to = scan.size;
        if (scan.endsInsideLine)
            edit.text = lineBreak;
        edit.text += "[" + std::string(section) + "]" + std::string(lineBreak) + entry + std::string(lineBreak);
    }
    return true;
}

// Copies source into out with the edit applied, a chunk at a time.
bool CopyWithEdit(std::FILE* source, const Edit& edit, TempFile& out)
{
    bool textWritten = false;
    if (source)
    {
        std::rewind(source);
        const std::unique_ptr<char[]> buffer(new char[kChunkSize]);
        std::uint64_t pos = 0;
        for (;;)
        {
            const std::size_t n = std::fread(buffer.get(), 1, kChunkSize, source);
            if (n == 0)
                break;
            const std::uint64_t chunkEnd = pos + n;
            if (pos < edit.from && !out.Write(buffer.get(), static_cast<std::size_t>(std::min(chunkEnd, edit.from) - pos)))
                return false;
            if (!textWritten && edit.from <= chunkEnd)
            {
                if (!out.Write(edit.text))
                    return false;
                textWritten = true;
            }
            if (chunkEnd > edit.to)
            {
                const std::size_t skip = static_cast<std::size_t>(std::max(pos, edit.to) - pos);
                if (!out.Write(buffer.get() + skip, n - skip))
                    return false;
            }
            pos = chunkEnd;
        }
        if (std::ferror(source))
            return false;
    }
    return textWritten || out.Write(edit.text);
}
}

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
    if (OpenForRead(fs::path(path), file, mode) != OpenStatus::Opened)
        return std::nullopt;

    LineScanner scanner(section, key);
    bool inSection = false;
    std::optional<std::string> found;
    const ScanResult scan = ScanLines(file.get(), scanner, [&](const LineInfo& line, std::uint64_t, std::uint64_t) {
        if (line.kind == LineKind::Header)
        {
            if (inSection)
                return false;   // only the first section of the name counts
            inSection = line.matches;
            scanner.WantValues(inSection);
        }
        else if (line.kind == LineKind::Key && inSection && line.matches)
        {
            found = line.value;
            return false;
        }
        return true;
    });
    if (!scan.ok)
        return std::nullopt;
    return found;
}

bool WriteString(const std::string& path, std::string_view section, std::string_view key, std::string_view value)
{
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    if (path.empty() || !NamesReadable(section, key) || HasLineBreakOrNul(value))
        return false;
    fs::path target;
    if (!ResolveLinks(fs::path(path), target))
        return false;

    FilePtr source;
    unsigned mode = 0600;
    Edit edit;
    switch (OpenForRead(target, source, mode))
    {
    case OpenStatus::Failed:
        return false;   // an unreadable profile must not be replaced by one holding a single key
    case OpenStatus::Missing:
        edit.text = "[" + std::string(section) + "]" + std::string(kNativeLineBreak) + std::string(key) + "=" +
                    std::string(value) + std::string(kNativeLineBreak);
        break;
    case OpenStatus::Opened:
        if (!PlanEdit(source.get(), section, key, value, edit))
            return false;
        break;
    }

    const fs::path folder = target.parent_path();
    if (!EnsureFolder(folder))
        return false;
    TempFile temp(folder, target);
    if (!temp.File() || !temp.SetMode(mode) || !CopyWithEdit(source.get(), edit, temp) || !temp.Commit(target))
        return false;
    SyncFolder(folder);
    return true;
}

UINT ParseProfileInt(std::string_view text)
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
}
