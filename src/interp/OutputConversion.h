#pragma once
// The percent conversions of an output string, shared by both evaluators.

#include <cstddef>
#include <string_view>

// Length of the conversion "%[flags][width][.precision][l]f" at the start of
// `text`, or 0 when the text there is not such a conversion. Only these are
// ever handed to printf: anything else could read arguments that are not
// there or write through them.
inline std::size_t ConversionLength(std::string_view text)
{
    std::size_t i = 1; // past the '%'
    auto at = [&](std::size_t k) { return k < text.size() ? text[k] : '\0'; };
    auto digits = [&]() {
        std::size_t count = 0;
        while (at(i) >= '0' && at(i) <= '9') {
            ++i;
            ++count;
        }
        return count;
    };
    while (at(i) == '-' || at(i) == '+' || at(i) == ' ' || at(i) == '#' || at(i) == '0')
        ++i;
    if (digits() > 3)
        return 0;
    if (at(i) == '.') {
        ++i;
        if (digits() > 3)
            return 0;
    }
    if (at(i) == 'l')
        ++i;
    return at(i) == 'f' ? i + 1 : 0;
}
