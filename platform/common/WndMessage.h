#pragma once
// What every back end's windows share, Win32's included: a message as it is being handled, and the
// periods a timer may tick at.

#include "platform/Types.h"

#include <algorithm>
#include <cstdint>

// A message as it is being handled, for the handler's Default().
struct CWndMessage
{
    UINT message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

// Win32 never ticks faster than every 10 ms nor slower than every 0x7FFFFFFF ms; every back end
// keeps the same limits, so a period means the same everywhere.
constexpr UINT kMinTimerPeriod = 10;
constexpr UINT kMaxTimerPeriod = 0x7FFFFFFF;

constexpr UINT AfxTimerPeriod(UINT nElapse)
{
    return std::clamp(nElapse, kMinTimerPeriod, kMaxTimerPeriod);
}
