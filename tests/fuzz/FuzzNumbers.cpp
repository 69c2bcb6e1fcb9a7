// The profile's numbers: AtoF of arbitrary text against the C library's strtod, and doubles of
// every bit pattern through FormatG and back.

#include "FuzzSupport.h"
#include "snow/SnowParams.h"

#include <clocale>
#include <cmath>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const double dValue = AtoF(text);

    // strtod in the C locale reads the same decimal numbers; it also reads hex, "inf" and "nan",
    // which the profile's format does not, and answers underflow with subnormals.
    if (text.find_first_of("xXiInN") == std::string::npos && text.find('\0') == std::string::npos)
    {
        const double dExpected = std::strtod(text.c_str(), nullptr);
        if (std::fpclassify(dExpected) != FP_SUBNORMAL && std::fpclassify(dValue) != FP_SUBNORMAL)
            FUZZ_CHECK(dValue == dExpected || (dValue == 0.0 && std::fabs(dExpected) < 1e-300));
    }

    // Six significant digits survive the trip through the profile.
    if (size >= sizeof(double))
    {
        double d;
        std::memcpy(&d, data, sizeof d);
        const std::string strFormatted = FormatG(d);
        if (std::isfinite(d))
            FUZZ_CHECK(FormatG(AtoF(strFormatted)) == strFormatted);
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%g", d);
        if (std::isfinite(d))
            FUZZ_CHECK(strFormatted == buffer);
    }
    return 0;
}
