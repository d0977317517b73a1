#pragma once
// Helpers of the exact translation's tests: compiling a generated program
// with the system's C compilers and comparing it with tavrin-cli run.

#include <string>
#include <vector>

namespace exact_test {

struct Outcome {
    int status { -1 };
    std::string out;
};

// The warning flags the exact program must pass with -Werror.
const std::vector<std::string>& GccFlags();
const std::vector<std::string>& ClangFlags();

bool HaveCompiler(const std::string& name);

// Compiles `source` (written to DIR/NAME.c) into DIR/NAME; returns the
// compiler's messages, empty on a clean build. `ok` tells whether it built.
std::string Compile(const std::string& compiler, const std::vector<std::string>& flags, const std::string& source,
    const std::string& dir, const std::string& name, bool& ok);

// Runs a program with `input` on standard input (a time limit of `seconds`).
Outcome RunProgram(const std::string& exe, const std::string& input, const std::string& dir, int seconds = 10);

// What `tavrin-cli run CHART` prints and its status.
Outcome RunChart(const std::string& chart, const std::string& input, const std::vector<std::string>& extra = {});

// Builds an outline into DIR/NAME.pad and returns the path.
std::string ChartFromOutline(const std::string& outline, const std::string& dir, const std::string& name);

} // namespace exact_test
