#pragma once
// The one place that turns a window message into the program's handler, for every back end.

#include "platform/Wnd.h"

#include <cstdint>

struct CWndRouting
{
    // Calls p's handler for message, with Win32's packing of wParam and lParam; false, and no call,
    // for a message that has no handler in the contract.
    static bool CallHandler(CWnd* p, UINT message, std::uintptr_t wParam, std::intptr_t lParam,
                            std::intptr_t* plResult);
};
