#include "platform/common/IniFile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#ifdef _WIN32
#include <windows.h>
#include <io.h>
#else
#include <sys/file.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace
{
// Files are read in chunks of this size, whatever their lines' lengths.
constexpr std::size_t kChunkSize = 64 * 1024;
// The bytes of a line looked at; the rest of a longer line (it can be gigabytes) is skipped.
constexpr std::size_t kKeptLength = 64 * 1024;
// GetPrivateProfileInt reads the value into a 30-character buffer.
constexpr std::size_t kIntTextLength = 29;
constexpr int kMaxLinkDepth = 40;
// How long a save waits for another program's save of the same profile before it gives up.
constexpr auto kLockPatience = std::chrono::seconds(3);
constexpr auto kLockRetry = std::chrono::milliseconds(5);
#ifdef _WIN32
constexpr std::string_view kNativeLineBreak = "\r\n";
#else
constexpr std::string_view kNativeLineBreak = "\n";
#endif

// Profile paths are UTF-8 on every platform; on Windows the path becomes UTF-16 for the system.
fs::path PathFromUtf8(const std::string& path)
{
    return fs::path(std::u8string_view(reinterpret_cast<const char8_t*>(path.data()), path.size()));
}

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

// The section a header line opens: the name between its '[' and its last ']'. A '[' line without
// ']' is no header.
std::optional<std::string_view> SectionOf(std::string_view line)
{
    line = TrimBlanks(line);
    const std::size_t close = line.rfind(']');
    if (line.empty() || line.front() != '[' || close == std::string_view::npos)
        return std::nullopt;
    return TrimBlanks(line.substr(1, close - 1));
}

struct Entry
{
    std::string_view key;
    std::string_view value;
};

// The key and value of a line that is no header: one with '=' that is no ';' comment.
std::optional<Entry> EntryOf(std::string_view line)
{
    line = TrimBlanks(line);
    const std::size_t equals = line.find('=');
    if (line.empty() || line.front() == ';' || equals == std::string_view::npos)
        return std::nullopt;
    return Entry{TrimBlanks(line.substr(0, equals)), TrimBlanks(line.substr(equals + 1))};
}

// The value as the profile API hands it over: unquoted, up to a NUL, cut to the buffer.
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

std::string NewSection(std::string_view section, std::span<const IniFile::KeyValue> entries,
                       std::string_view lineBreak)
{
    std::string text = "[";
    text.append(section).append("]").append(lineBreak);
    for (const IniFile::KeyValue& entry : entries)
        text.append(KeyLine(entry.key, entry.value)).append(lineBreak);
    return text;
}

struct FileCloser
{
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

enum class OpenStatus
{
    Opened,
    Missing,
    Failed
};

// Opens a regular file for reading; anything else in its place (a folder, a pipe that would
// block) fails. On POSIX, mode receives the file's permission bits.
OpenStatus OpenForRead(const fs::path& path, FilePtr& file, [[maybe_unused]] unsigned& mode)
{
#ifdef _WIN32
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
    std::FILE* f = nullptr;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !(f = ::fdopen(fd, "rb")))
    {
        ::close(fd);
        return OpenStatus::Failed;
    }
    file.reset(f);
    mode = static_cast<unsigned>(st.st_mode & 07777);
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
        const fs::path link = fs::read_symlink(path, ec);
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

fs::path FolderOf(const fs::path& target)
{
    return target.has_parent_path() ? target.parent_path() : fs::path(".");
}

// Names beside the profile: its saves' temporaries start with the prefix, and one save at a time
// holds the lock file.
fs::path::string_type TempPrefix(const fs::path& target)
{
    return (fs::path(".") += target.filename()).native() + fs::path(".tmp-").native();
}

fs::path LockPath(const fs::path& target)
{
    return FolderOf(target) / ((fs::path(".") += target.filename()) += ".lock");
}

// Makes a save exclusive against every other save of the profile, in this program or another:
// without it, two saves that read the same old file each write back only their own change.
// The lock file goes when the save ends; one left by a killed save is taken over by the next.
class SaveLock
{
public:
    explicit SaveLock(const fs::path& target) : m_path(LockPath(target))
    {
        const auto deadline = std::chrono::steady_clock::now() + kLockPatience;
        while (!TryLock() && m_bRetry && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(kLockRetry);
    }

    ~SaveLock()
    {
#ifdef _WIN32
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);   // deletes the file: it was opened to be deleted on close
#else
        if (m_fd >= 0)
        {
            // Removed while still locked, so that a waiting save notices and opens the next one.
            ::unlink(m_path.c_str());
            ::close(m_fd);
        }
#endif
    }

    SaveLock(const SaveLock&) = delete;
    SaveLock& operator=(const SaveLock&) = delete;

#ifdef _WIN32
    bool IsHeld() const { return m_handle != INVALID_HANDLE_VALUE; }
#else
    bool IsHeld() const { return m_fd >= 0; }
#endif

private:
    // One attempt; m_bRetry says whether another save is in the way (worth waiting for).
    bool TryLock()
    {
#ifdef _WIN32
        // No sharing: while this handle is open nobody else opens the file.
        m_handle = CreateFileW(m_path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (m_handle != INVALID_HANDLE_VALUE)
            return true;
        const DWORD error = GetLastError();
        m_bRetry = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
        return false;
#else
        const int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
        {
            m_bRetry = false;
            return false;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        {
            m_bRetry = errno == EWOULDBLOCK || errno == EINTR;
            ::close(fd);
            return false;
        }
        // The save before may have removed the file between its open and its lock here.
        struct stat held, named;
        if (::fstat(fd, &held) != 0 || ::stat(m_path.c_str(), &named) != 0 || held.st_dev != named.st_dev ||
            held.st_ino != named.st_ino)
        {
            m_bRetry = true;
            ::close(fd);
            return false;
        }
        m_fd = fd;
        return true;
#endif
    }

    fs::path m_path;
    bool m_bRetry = false;
#ifdef _WIN32
    HANDLE m_handle = INVALID_HANDLE_VALUE;
#else
    int m_fd = -1;
#endif
};

// Removes what saves that were killed while writing left behind. Called under the save lock, so
// no temporary of a living save can be there.
void RemoveStaleTemporaries(const fs::path& target)
{
    const fs::path::string_type prefix = TempPrefix(target);
    std::error_code ec;
    std::vector<fs::path> stale;
    for (fs::directory_iterator it(FolderOf(target), ec), end; !ec && it != end; it.increment(ec))
    {
        const fs::path::string_type name = it->path().filename().native();
        if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0)
            stale.push_back(it->path());
    }
    for (const fs::path& path : stale)
        fs::remove(path, ec);
}

// The new profile while it is written, beside the old one; removed unless it replaced it. Where
// the file system allows it, the file has no name until it is complete, so that a killed save
// leaves nothing behind.
class TempFile
{
public:
    explicit TempFile(const fs::path& target) : m_target(target)
    {
#if defined(O_TMPFILE)
        const int fdAnonymous = ::open(Folder().c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (fdAnonymous >= 0)
        {
            m_file.reset(::fdopen(fdAnonymous, "wb"));
            if (!m_file)
                ::close(fdAnonymous);
            m_bAnonymous = true;
            return;
        }
#endif
        fs::path::string_type pattern = (Folder() / TempPrefix(target)).native();
        pattern += fs::path("XXXXXX").native();
#ifdef _WIN32
        // XXXXXX becomes the process id and a counter, until a name is free.
        pattern.resize(pattern.size() - 6);
        int fd = -1;
        for (unsigned attempt = 0; fd < 0 && attempt < 100; ++attempt)
        {
            wchar_t suffix[24];
            std::swprintf(suffix, std::size(suffix), L"%lx%02x", GetCurrentProcessId(), attempt);
            m_path = pattern + suffix;
            fd = _wopen(m_path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
            if (fd < 0 && errno != EEXIST)
                break;
        }
        if (fd < 0)
        {
            m_path.clear();
            return;
        }
        m_file.reset(_fdopen(fd, "wb"));
        if (!m_file)
            _close(fd);
#else
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

    bool IsOpen() const { return m_file != nullptr; }

    bool Write(std::string_view s) { return s.empty() || std::fwrite(s.data(), 1, s.size(), m_file.get()) == s.size(); }

    bool SetMode([[maybe_unused]] unsigned mode)
    {
#ifdef _WIN32
        return true;
#else
        return ::fchmod(::fileno(m_file.get()), static_cast<mode_t>(mode)) == 0;
#endif
    }

    // Puts the bytes on the disk and the file in the target's place, for good once the folder's
    // entry is on the disk too.
    bool Commit()
    {
        std::FILE* f = m_file.release();
        bool ok = std::fflush(f) == 0;
#ifdef _WIN32
        ok = ok && _commit(_fileno(f)) == 0;
#else
        ok = ok && ::fsync(::fileno(f)) == 0;
        if (ok && m_bAnonymous)
            ok = GiveName(::fileno(f));
#endif
        ok = (std::fclose(f) == 0) && ok;
        if (!ok)
            return false;
#ifdef _WIN32
        // One rename over the old file, which fails whole while another program holds it open.
        // (ReplaceFileW would keep more of the old file's metadata, but can leave a stray backup
        // file behind when it fails.)
        if (!MoveFileExW(m_path.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return false;
        m_path.clear();
#else
        std::error_code ec;
        fs::rename(m_path, m_target, ec);
        if (ec)
            return false;
        m_path.clear();
        const int dir = ::open(Folder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0)
        {
            ::fsync(dir);
            ::close(dir);
        }
#endif
        return true;
    }

private:
    fs::path Folder() const { return FolderOf(m_target); }

#ifndef _WIN32
    // Links the complete anonymous file under a temporary name, for the rename over the target.
    bool GiveName(int fd)
    {
        const std::string source = "/proc/self/fd/" + std::to_string(fd);
        for (unsigned attempt = 0; attempt < 100; ++attempt)
        {
            fs::path name = Folder() / TempPrefix(m_target);
            name += std::to_string(::getpid()) + "-" + std::to_string(attempt);
            if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
            {
                m_path = name;
                return true;
            }
            if (errno != EEXIST)
                return false;
        }
        return false;
    }
#endif

    fs::path m_target;
    fs::path m_path;
    FilePtr m_file;
    bool m_bAnonymous = false;
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
    bool endsInLine = false;      // the file's last line has no break
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
            const auto match = std::find_if(entries.begin(), entries.end(), [&](const IniFile::KeyValue& e) {
                return EqualNoCase(e.key, entry->key);
            });
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
        edits.push_back({lines.Offset(), lines.Offset(),
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
    case OpenStatus::Missing:
        edits.push_back({0, 0, NewSection(section, keys, kNativeLineBreak)});
        break;
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
