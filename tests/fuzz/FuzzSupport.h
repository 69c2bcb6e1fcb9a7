#pragma once
// What the fuzz targets share: a private folder for profiles, and the input cut into pieces.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace FuzzSupport
{
// A folder of this process's own for the profiles a target writes, removed when the fuzzer ends.
inline const std::string& Folder()
{
    // Never destroyed: the exit handler below runs after static destructors would have run.
    static const std::string& folder = *new std::string([] {
        const std::filesystem::path dir =
            std::filesystem::temp_directory_path() / ("kelvane-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(Folder(), ec);
        });
        return dir.string();
    }());
    return folder;
}

// The input cut at each separator byte: the last piece is what follows the last separator.
inline std::vector<std::string> Split(const std::uint8_t* data, std::size_t size, char separator, std::size_t nMax)
{
    std::vector<std::string> pieces(1);
    for (std::size_t i = 0; i < size; ++i)
    {
        if (static_cast<char>(data[i]) == separator && pieces.size() < nMax)
            pieces.emplace_back();
        else
            pieces.back() += static_cast<char>(data[i]);
    }
    return pieces;
}

#define FUZZ_CHECK(condition)                                                                                          \
    do                                                                                                                 \
    {                                                                                                                  \
        if (!(condition))                                                                                              \
        {                                                                                                              \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);                         \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)
}   // namespace FuzzSupport
