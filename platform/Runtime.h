#pragma once
// The runtime-library services the program relies on: the random generator, the clock and the
// process id that seed it.

#include <cstdint>

// rand() yields 0..32767.
constexpr int AFX_RAND_MAX = 32767;

// The one process-wide random generator. It is the linear congruential generator of the Microsoft
// C runtime the program first ran on, so every platform draws the same sequence from the same seed.
inline std::uint32_t g_nRandState = 1;

inline void AfxSRand(unsigned int nSeed)
{
    g_nRandState = nSeed;
}

inline int AfxRand()
{
    g_nRandState = g_nRandState * 214013u + 2531011u;
    return static_cast<int>((g_nRandState >> 16) & 0x7FFFu);
}

// Seconds since 1970 as time(NULL) gives them, cut to 32 bits, and the id of this process. The
// headless back end answers from its simulated clock, so that tests and recordings repeat.
unsigned int AfxGetTime();
unsigned int AfxGetProcessId();
