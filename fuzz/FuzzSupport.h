#pragma once
// Shared pieces of the fuzz targets.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Reports a broken property and aborts, so that libFuzzer keeps the input.
[[noreturn]] void FuzzFail(const char* what, std::string_view detail = {});

// The lines of `text`, each without its line feed.
std::vector<std::string> SplitLines(std::string_view text);

// Input lines for scripted runs: a few numbers and words, each with its line
// end, as a user would type them.
std::vector<std::string> ScriptedInput();
