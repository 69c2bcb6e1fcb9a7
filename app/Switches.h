#pragma once
// The command line of a screen saver: which mode the first switch asks for.

#include <cstdint>

// True when arg, after one leading '-' or '/', begins with exactly that letter (case-sensitive);
// anything after the letter is ignored.
bool MatchSwitch(const char* arg, char letter);

enum class SaverMode
{
    Settings,   // no argument, or "c"
    Preview,    // "p" and the host window's handle as the next argument
    Saver,      // "s"
    Exit,       // anything else: end at once, without a window
};

struct SaverCommand
{
    SaverMode mode = SaverMode::Exit;
    std::int64_t nHostHandle = 0;   // preview only
};

// The mode InitInstance runs, from the argument vector (argv[1] is the switch).
SaverCommand ChooseMode(int argc, const char* const* argv);

// atol: leading white space, an optional sign, then digits up to the first other character;
// 0 when the text does not begin with a number. Saturates instead of overflowing.
std::int64_t AtoL(const char* text);
