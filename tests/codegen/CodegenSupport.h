#pragma once
// Helpers of the code generator's tests: charts from outlines, programs in
// UTF-8 and their parts.

#include "model/CBoxSequence.h"

#include <string>
#include <string_view>
#include <vector>

namespace codegen_test {

// A chart built from an outline (UTF-8).
void Build(std::string_view outline, CRootSequence& root);

// The generated program of the outline's chart, in UTF-8.
std::string Generate(std::string_view outline);

struct Program {
    std::vector<std::string> includes; // the lines before the empty line
    std::string body;                  // the lines of main before "return 0;", each ending in '\n'
    bool framed { false };             // main and its end are where they belong
};

// Splits a generated program into its parts.
Program Parse(const std::string& program);

} // namespace codegen_test
