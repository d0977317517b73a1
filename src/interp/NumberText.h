#pragma once
// Numbers read from and written to text the same way under every process
// locale (the desktop program runs under the user's, where the decimal mark
// may be a comma).

#include <string>

// The C library's atof in the "C" locale: leading blanks skipped, the longest
// valid prefix read, 0 when there is none.
double ParseLeadingNumber(const std::string& text);

// printf of one double with `format` (one conversion of a double) in the "C"
// locale, of any length.
std::string FormatDouble(const char* format, double value);
