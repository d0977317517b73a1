#include "cli/CmdTestCompare.h"

#include "cli/CmdTestReport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace grade {

namespace {

std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return lines;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// Lines without their trailing blanks (and a CR of a CR LF file), without
// the blank lines at the end.
std::vector<std::string_view> NormalLines(std::string_view text)
{
    auto lines = Lines(text);
    for (auto& line : lines)
        while (!line.empty() && IsBlank(line.back()))
            line.remove_suffix(1);
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The length of the number at the start of `text` (0 when none): an optional
// minus, digits with an optional fraction, an optional exponent.
std::size_t NumberLength(std::string_view text, bool minusAllowed)
{
    std::size_t i = 0;
    if (minusAllowed && i < text.size() && text[i] == '-')
        ++i;
    const std::size_t digitsStart = i;
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    std::size_t digits = i - digitsStart;
    if (i < text.size() && text[i] == '.' && i + 1 < text.size() && IsDigit(text[i + 1])) {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j]))
                ++j;
            i = j;
        }
    }
    return i;
}

struct Piece {
    bool number { false };
    std::string_view text;
    double value { 0 };
};

std::vector<Piece> Pieces(std::string_view line)
{
    std::vector<Piece> pieces;
    std::size_t i = 0, textStart = 0;
    while (i < line.size()) {
        // A minus is a sign only where it cannot be a binary operator.
        const bool minusAllowed = i == 0 || !(IsDigit(line[i - 1]) || std::isalpha(static_cast<unsigned char>(line[i - 1])));
        const std::size_t length = (IsDigit(line[i]) || line[i] == '-') ? NumberLength(line.substr(i), minusAllowed) : 0;
        const bool insideWord = i > 0 && (std::isalpha(static_cast<unsigned char>(line[i - 1])) || line[i - 1] == '_');
        if (length == 0 || insideWord) {
            ++i;
            continue;
        }
        if (i > textStart)
            pieces.push_back({ false, line.substr(textStart, i - textStart), 0 });
        Piece number { true, line.substr(i, length), 0 };
        std::from_chars(number.text.data(), number.text.data() + number.text.size(), number.value);
        pieces.push_back(number);
        i += length;
        textStart = i;
    }
    if (textStart < line.size())
        pieces.push_back({ false, line.substr(textStart), 0 });
    return pieces;
}

bool Close(double a, double b, double tolerance)
{
    if (a == b)
        return true;
    if (!std::isfinite(a) || !std::isfinite(b))
        return false;
    return std::fabs(a - b) <= tolerance * std::max(std::fabs(a), std::fabs(b));
}

bool LinesAgree(std::string_view expected, std::string_view actual, CompareMode mode, double tolerance)
{
    if (mode != CompareMode::Numbers)
        return expected == actual;
    const auto a = Pieces(expected);
    const auto b = Pieces(actual);
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].number != b[i].number)
            return false;
        if (a[i].number ? !Close(a[i].value, b[i].value, tolerance) : a[i].text != b[i].text)
            return false;
    }
    return true;
}

std::string Shown(std::string_view line)
{
    constexpr std::size_t kLongest = 60;
    std::string text(line.substr(0, kLongest));
    if (line.size() > kLongest)
        text += "...";
    return "\"" + ValidUtf8(text) + "\"";
}

} // namespace

std::optional<CompareMode> CompareModeFromName(std::string_view name)
{
    if (name == "exact")
        return CompareMode::Exact;
    if (name == "lines")
        return CompareMode::Lines;
    if (name == "numbers")
        return CompareMode::Numbers;
    return std::nullopt;
}

std::string ShortNumber(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

std::string Compare(std::string_view expected, std::string_view actual, CompareMode mode, double tolerance)
{
    if (mode == CompareMode::Exact && expected == actual)
        return {};
    const auto a = mode == CompareMode::Exact ? Lines(expected) : NormalLines(expected);
    const auto b = mode == CompareMode::Exact ? Lines(actual) : NormalLines(actual);
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        const std::string line = "line " + std::to_string(i + 1) + ": ";
        if (i >= b.size())
            return line + "expected " + Shown(a[i]) + " but the output ended";
        if (i >= a.size())
            return line + "expected the end of the output but got " + Shown(b[i]);
        if (!LinesAgree(a[i], b[i], mode, tolerance))
            return line + "expected " + Shown(a[i]) + " but got " + Shown(b[i]);
    }
    if (mode != CompareMode::Exact)
        return {};
    // Same lines, different bytes: the line end after the last line.
    return expected.ends_with('\n') ? "the output does not end with a line end" : "the output ends with a line end that is not expected";
}

} // namespace grade
