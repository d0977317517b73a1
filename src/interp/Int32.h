#pragma once
// Conversion of a run-time value to a 32-bit integer, used wherever the
// language gives a double an integer meaning (%, shifts, bitwise operators,
// subscripts, abs, srand).

#include <cmath>
#include <cstdint>

// Truncates toward zero. NaN and values outside the 32-bit range give
// -2147483648, which is what the processor's conversion instruction yields;
// charts that overflow therefore behave the same on every build.
inline std::int32_t ToInt32(double value)
{
    constexpr double kLimit = 2147483648.0; // 2^31
    if (!(value > -kLimit - 1.0 && value < kLimit))
        return INT32_MIN;
    return static_cast<std::int32_t>(value);
}
