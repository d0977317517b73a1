#pragma once
// Where the values of an initialiser list (a[2][3] = { ... }) go, one rule for
// both evaluators.

#include <cstdint>

// Moves `counters` (one index per subscript, starting all 0) on to the next
// element in row-major order within `bounds`, the subscripts the element was
// written with. The first dimension is never wrapped, so an empty first
// subscript takes any number of rows.
inline void NextInitialised(std::int32_t* counters, const std::int32_t* bounds, int dimensions)
{
    ++counters[dimensions - 1];
    for (int d = dimensions - 1; d > 0 && counters[d] >= bounds[d]; --d) {
        counters[d] = 0;
        ++counters[d - 1];
    }
}
