// The recorder's command line: size, frames, seed, output file and whether to use the defaults; its usage text.

#include "tools/kelvane-record/RecordArgs.h"

#include <charconv>
#include <string_view>

namespace
{
// A whole decimal number in [nMin, nMax], nothing before or after it.
bool ParseNumber(std::string_view text, std::uint64_t nMin, std::uint64_t nMax, std::uint64_t& nValue)
{
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), nValue);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && nValue >= nMin && nValue <= nMax;
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix)
{
    if (text.size() < suffix.size())
        return false;
    text.remove_prefix(text.size() - suffix.size());
    for (std::size_t i = 0; i < suffix.size(); ++i)
    {
        const char c = (text[i] >= 'A' && text[i] <= 'Z') ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
        if (c != suffix[i])
            return false;
    }
    return true;
}
}   // namespace

const char* RecordUsage()
{
    return "usage: kelvane-record --out FILE.gif|FILE.png [--width W] [--height H] [--frames N] [--seed S] "
           "[--defaults]\n"
           "  Renders N ticks of snow in a W x H window (default 640 x 360, 100 frames, seed 1) with the\n"
           "  settings of the Kelvane profile, or the defaults with --defaults. A .gif gets every frame,\n"
           "  a .png the last one.\n";
}

bool ParseRecordArgs(int argc, const char* const* argv, RecordOptions& options, std::string& strError)
{
    bool bHaveOut = false;
    for (int i = 1; i < argc; ++i)
    {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h")
        {
            options.bHelp = true;
            return true;
        }
        if (arg == "--defaults")
        {
            options.bDefaults = true;
            continue;
        }

        std::string_view name = arg;
        std::string_view value;
        bool bHaveValue = false;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos)
        {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            bHaveValue = true;
        }
        if (name != "--width" && name != "--height" && name != "--frames" && name != "--seed" && name != "--out")
        {
            strError = "unknown argument '" + std::string(arg) + "' (try --help)";
            return false;
        }
        if (!bHaveValue)
        {
            if (i + 1 >= argc)
            {
                strError = std::string(name) + " needs a value";
                return false;
            }
            value = argv[++i];
        }

        std::uint64_t n = 0;
        if (name == "--out")
        {
            if (value.empty())
            {
                strError = "--out needs a file name";
                return false;
            }
            options.strOut = std::string(value);
            bHaveOut = true;
        }
        else if (name == "--seed")
        {
            if (!ParseNumber(value, 0, 0xFFFFFFFFu, n))
            {
                strError = "--seed must be a whole number from 0 to 4294967295, not '" + std::string(value) + "'";
                return false;
            }
            options.nSeed = static_cast<std::uint32_t>(n);
        }
        else if (name == "--frames")
        {
            if (!ParseNumber(value, 1, kMaxRecordFrames, n))
            {
                strError = "--frames must be a whole number from 1 to " + std::to_string(kMaxRecordFrames) + ", not '" +
                           std::string(value) + "'";
                return false;
            }
            options.nFrames = static_cast<int>(n);
        }
        else
        {
            if (!ParseNumber(value, 1, kMaxRecordSize, n))
            {
                strError = std::string(name) + " must be a whole number from 1 to " + std::to_string(kMaxRecordSize) +
                           ", not '" + std::string(value) + "'";
                return false;
            }
            (name == "--width" ? options.nWidth : options.nHeight) = static_cast<int>(n);
        }
    }
    if (!bHaveOut)
    {
        strError = "--out FILE is required (try --help)";
        return false;
    }
    if (EndsWithIgnoringCase(options.strOut, ".gif"))
        options.format = RecordOptions::Format::Gif;
    else if (EndsWithIgnoringCase(options.strOut, ".png"))
        options.format = RecordOptions::Format::Png;
    else
    {
        strError = "--out must name a .gif or a .png file, not '" + options.strOut + "'";
        return false;
    }
    return true;
}
