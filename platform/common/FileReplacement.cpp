// The safe replacement of a file (platform/common/FileReplacement.h): the platform's calls for
// reading, locking, writing a temporary and renaming it over the old file.

#include "platform/common/FileReplacement.h"

#include <cerrno>
#include <chrono>
#include <cwchar>
#include <iterator>
#include <system_error>
#include <thread>
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
constexpr int kMaxLinkDepth = 40;
// How long a save waits for another program's save of the same file before it gives up.
constexpr auto kLockPatience = std::chrono::seconds(3);
constexpr auto kLockRetry = std::chrono::milliseconds(5);

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
}   // namespace

namespace FileReplacement
{
fs::path PathFromUtf8(const std::string& path)
{
    return fs::path(std::u8string_view(reinterpret_cast<const char8_t*>(path.data()), path.size()));
}

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

SaveLock::SaveLock(const fs::path& target)
    : m_path(LockPath(target))
#ifdef _WIN32
      ,
      m_handle(INVALID_HANDLE_VALUE)
#endif
{
    const auto deadline = std::chrono::steady_clock::now() + kLockPatience;
    while (!TryLock() && m_bRetry && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(kLockRetry);
}

SaveLock::~SaveLock()
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

bool SaveLock::IsHeld() const
{
#ifdef _WIN32
    return m_handle != INVALID_HANDLE_VALUE;
#else
    return m_fd >= 0;
#endif
}

bool SaveLock::TryLock()
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

TempFile::TempFile(const fs::path& target) : m_target(target)
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

TempFile::~TempFile()
{
    m_file.reset();
    if (!m_path.empty())
    {
        std::error_code ec;
        fs::remove(m_path, ec);
    }
}

bool TempFile::Write(std::string_view s)
{
    return s.empty() || std::fwrite(s.data(), 1, s.size(), m_file.get()) == s.size();
}

bool TempFile::SetMode([[maybe_unused]] unsigned mode)
{
#ifdef _WIN32
    return true;
#else
    return ::fchmod(::fileno(m_file.get()), static_cast<mode_t>(mode)) == 0;
#endif
}

bool TempFile::Commit()
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

fs::path TempFile::Folder() const
{
    return FolderOf(m_target);
}

#ifndef _WIN32
bool TempFile::GiveName(int fd)
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
}   // namespace FileReplacement
