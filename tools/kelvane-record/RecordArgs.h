#pragma once
// The recorder's command line.

#include <cstdint>
#include <string>

struct RecordOptions
{
    enum class Format
    {
        Gif,   // every frame, animated
        Png,   // the last frame
    };

    int nWidth = 640;
    int nHeight = 360;
    int nFrames = 100;
    std::uint32_t nSeed = 1;
    std::string strOut;
    Format format = Format::Gif;
    bool bDefaults = false;   // ignore the profile: the seven defaults
    bool bHelp = false;
};

inline constexpr int kMaxRecordSize = 8192;
inline constexpr int kMaxRecordFrames = 100000;

// Parses --width W --height H --frames N --seed S --out FILE [--defaults] [--help]; each value may
// also follow an '='. false with a one-line reason in strError for anything else.
bool ParseRecordArgs(int argc, const char* const* argv, RecordOptions& options, std::string& strError);

const char* RecordUsage();
