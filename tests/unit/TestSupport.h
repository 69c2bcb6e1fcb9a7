#pragma once
// Helpers shared by the unit tests.

#include "platform/FrameBuffer.h"
#include "platform/Runtime.h"
#include "platform/Types.h"

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace TestSupport
{
// A fresh folder for one test, removed with everything in it afterwards.
class TempDir
{
public:
    TempDir()
    {
        std::random_device random;
        m_path = std::filesystem::temp_directory_path() /
                 ("kelvane-test-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
        std::filesystem::create_directories(m_path);
    }
    ~TempDir()
    {
        std::error_code ec;   // a test may have made it read-only
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Dir() const { return m_path; }
    std::string Path(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// Sets an environment variable (or, given nullptr, removes it) for one scope.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        value != nullptr ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { m_old ? ::setenv(m_name, m_old->c_str(), 1) : ::unsetenv(m_name); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// The line break of a profile that has none yet.
#ifdef _WIN32
inline const std::string kNewLine = "\r\n";
#else
inline const std::string kNewLine = "\n";
#endif

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// What write() returns when run in a child process that may make files of at most maxFileSize
// bytes and, with asStranger, runs as a user who owns none of the test's files (root would be
// allowed everything). nullopt when the child could not be set up or did not finish.
template <class Fn>
std::optional<bool> ReturnedInChild(Fn&& write, rlim_t maxFileSize = RLIM_INFINITY, bool asStranger = false)
{
    const pid_t child = ::fork();
    if (child < 0)
        return std::nullopt;
    if (child == 0)
    {
        std::signal(SIGXFSZ, SIG_IGN);   // a write past the limit fails instead of ending the process
        const rlimit limit{maxFileSize, maxFileSize};
        const bool ready = (maxFileSize == RLIM_INFINITY || ::setrlimit(RLIMIT_FSIZE, &limit) == 0) &&
                           (!asStranger || ::geteuid() != 0 || (::setgid(65534) == 0 && ::setuid(65534) == 0));
        ::_exit(!ready ? 2 : write() ? 1 : 0);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) > 1)
        return std::nullopt;
    return WEXITSTATUS(status) == 1;
}

// Sets the shared generator so that its next value is v (0..32767): the state after the next step
// must hold v in bits 16..30, so the state before it is that, stepped back once.
inline void SeedSoNextRandIs(int v)
{
    constexpr std::uint32_t kMultiplier = 214013u;
    std::uint32_t inverse = 1;   // Newton's iteration for the inverse of an odd number mod 2^32
    for (int i = 0; i < 5; ++i)
        inverse *= 2u - kMultiplier * inverse;
    const std::uint32_t next = static_cast<std::uint32_t>(v) << 16;
    AfxSRand((next - 2531011u) * inverse);
}

// How many values a piece of code took from the shared generator (at most limit; -1 beyond).
template <class Fn>
int RandomValuesTaken(Fn&& fn, int limit = 64)
{
    std::uint32_t state = g_nRandState;
    fn();
    for (int n = 0; n <= limit; ++n)
    {
        if (state == g_nRandState)
            return n;
        state = state * 214013u + 2531011u;
    }
    return -1;
}

inline constexpr std::uint32_t kWhitePixel = 0xFFFFFFFFu;

// The white pixels of a framebuffer.
inline std::set<std::pair<int, int>> WhitePixels(const CFrameBuffer& frame)
{
    std::set<std::pair<int, int>> pixels;
    for (int y = 0; y < frame.Height(); ++y)
        for (int x = 0; x < frame.Width(); ++x)
            if (frame.GetPixel(x, y) == kWhitePixel)
                pixels.insert({x, y});
    return pixels;
}
}   // namespace TestSupport

// Rectangles in failure messages as their edges, not their bytes.
inline void PrintTo(const CRect& rc, std::ostream* os)
{
    *os << "{" << rc.left << ", " << rc.top << ", " << rc.right << ", " << rc.bottom << "}";
}
