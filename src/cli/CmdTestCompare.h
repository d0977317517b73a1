#pragma once
// How tavrin-cli test compares a run's output with the expected output.

#include <optional>
#include <string>
#include <string_view>

namespace grade {

enum class CompareMode {
    Exact,   // the same bytes
    Lines,   // blanks at line ends and blank lines at the end do not count
    Numbers, // as Lines, with numbers equal within a relative tolerance
};

std::optional<CompareMode> CompareModeFromName(std::string_view name);

// Empty when the outputs agree; otherwise where they first differ, as
// "line 3: expected "..." but got "..."".
std::string Compare(std::string_view expected, std::string_view actual, CompareMode mode, double tolerance);

// A number as people write it: 5, 0.5, 1e-06.
std::string ShortNumber(double value);

} // namespace grade
