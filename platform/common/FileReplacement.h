#pragma once
// The safe replacement of a file, with the platform's own calls (POSIX or Windows): one save at a
// time through a lock file beside it, the new contents in a temporary beside it, put on the disk and
// renamed over the old file, so that a crash or a full disk never leaves a broken or half-new file.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace FileReplacement
{
// Paths are UTF-8 on every platform; on Windows the path becomes UTF-16 for the system.
std::filesystem::path PathFromUtf8(const std::string& path);

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
OpenStatus OpenForRead(const std::filesystem::path& path, FilePtr& file, unsigned& mode);

// The file a write must replace: the path with its symbolic links followed, so that a linked
// file stays linked.
bool ResolveLinks(std::filesystem::path path, std::filesystem::path& target);

// Creates the missing folders of dir, private to the user.
bool EnsureFolder(const std::filesystem::path& dir);

// Makes a save exclusive against every other save of the file, in this program or another:
// without it, two saves that read the same old file each write back only their own change.
// The lock file goes when the save ends; one left by a killed save is taken over by the next.
class SaveLock
{
public:
    explicit SaveLock(const std::filesystem::path& target);
    ~SaveLock();
    SaveLock(const SaveLock&) = delete;
    SaveLock& operator=(const SaveLock&) = delete;

    bool IsHeld() const;

private:
    // One attempt; m_bRetry says whether another save is in the way (worth waiting for).
    bool TryLock();

    std::filesystem::path m_path;
    bool m_bRetry = false;
#ifdef _WIN32
    void* m_handle;   // the lock file's HANDLE
#else
    int m_fd = -1;
#endif
};

// Removes what saves that were killed while writing left behind. Called under the save lock, so
// no temporary of a living save can be there.
void RemoveStaleTemporaries(const std::filesystem::path& target);

// The new file while it is written, beside the old one; removed unless it replaced it. Where
// the file system allows it, the file has no name until it is complete, so that a killed save
// leaves nothing behind.
class TempFile
{
public:
    explicit TempFile(const std::filesystem::path& target);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    bool IsOpen() const { return m_file != nullptr; }
    bool Write(std::string_view s);
    bool SetMode(unsigned mode);
    // Puts the bytes on the disk and the file in the target's place, for good once the folder's
    // entry is on the disk too.
    bool Commit();

private:
    std::filesystem::path Folder() const;
#ifndef _WIN32
    // Links the complete anonymous file under a temporary name, for the rename over the target.
    bool GiveName(int fd);
#endif

    std::filesystem::path m_target;
    std::filesystem::path m_path;
    FilePtr m_file;
    bool m_bAnonymous = false;
};
}   // namespace FileReplacement
