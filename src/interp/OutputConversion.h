#pragma once
// The percent conversions of an output string, shared by both evaluators
// and the code generator.

#include "interp/NumberText.h"

#include <cstddef>
#include <string>
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

// The string literal of an output list as it is printed: each conversion
// filled by the value `next()` gives (the next pending result, 0 when none
// is left), every other byte as it stands.
template <class NextValue>
std::string FillConversions(std::string_view literal, NextValue&& next)
{
    std::string out;
    out.reserve(literal.size());
    std::size_t i = 0;
    while (i < literal.size()) {
        const std::size_t length = literal[i] == '%' ? ConversionLength(literal.substr(i)) : 0;
        if (length == 0) {
            out += literal[i++];
            continue;
        }
        out += FormatDouble(std::string(literal.substr(i, length)).c_str(), next());
        i += length;
    }
    return out;
}
