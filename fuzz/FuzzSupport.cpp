#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>

void FuzzFail(const char* what, std::string_view detail)
{
    std::fprintf(stderr, "fuzz: %s\n", what);
    if (!detail.empty())
        std::fprintf(stderr, "%.*s\n", static_cast<int>(detail.size()), detail.data());
    std::abort();
}

std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        if (end == std::string_view::npos)
            end = text.size();
        lines.emplace_back(text.substr(0, end));
        text.remove_prefix(end == text.size() ? end : end + 1);
    }
    return lines;
}

std::vector<std::string> ScriptedInput()
{
    return { "3\n", "-7 2\n", "1.5\n", "abc\n", "0\n", "12 34 56\n", "\n", "99999999999\n", "x\n", "5\n" };
}
