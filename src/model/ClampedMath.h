#pragma once
// Geometry read from a file is not validated, so a box may stand anywhere in
// the 32-bit range. Sums of such values are taken in 64 bits and brought back
// into range instead of overflowing.

#include <algorithm>
#include <climits>
#include <cstdint>

inline int ClampToInt(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

inline int AddClamped(int a, std::int64_t b)
{
    return ClampToInt(static_cast<std::int64_t>(a) + b);
}
