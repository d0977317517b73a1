#pragma once
// Helpers shared by the core test programs.

#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

std::string SourcePath(std::string_view relative); // path below the source tree
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, std::string_view bytes);
// A fresh empty directory below the build tree, removed by nobody: tests
// name theirs uniquely.
std::string TempDir(std::string_view name);
// A double as its bits, so that values compare exactly; every NaN is "nan"
// (two evaluation paths may give NaNs of different payloads).
std::string ValueBits(double value);

struct ProcessResult {
    int status { -1 };   // exit status, or 128 + signal
    std::string out;
    std::string err;
};

// Runs tavrin-cli with the arguments, feeding `input` on its standard input.
ProcessResult RunCli(const std::vector<std::string>& args, std::string_view input = {});

} // namespace testing_support
